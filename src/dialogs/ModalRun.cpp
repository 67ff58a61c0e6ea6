// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/ModalRun.h"
#include "note/frmLembrete.h"
#include "platform/Platform.h"
#include "platform/WindowOps.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>

namespace {

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
    case QEvent::DragEnter:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// Swallows the input meant for any note window while it lives.
class NoteInputBlock : public QObject {
public:
    explicit NoteInputBlock(QDialog *dialog) : m_dialog(dialog) { qApp->installEventFilter(this); }
    ~NoteInputBlock() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->isWidgetType() || !isInput(event->type()))
            return false;
        if (!qobject_cast<frmLembrete *>(static_cast<QWidget *>(watched)->window()))
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            Platform::windows().restore(m_dialog); // the person is looking for the dialog
        return true;
    }

private:
    QPointer<QDialog> m_dialog;
};

}

namespace ModalRun {

void exec(QDialog *dialog)
{
    if (!dialog)
        return;
    QEventLoop loop;
    QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    NoteInputBlock block(dialog);
    dialog->setWindowState(dialog->windowState() & ~Qt::WindowMinimized);
    // Above the notes, pinned ones too, which some window managers (KWin) keep over a dialog that
    // comes up while the program is not the active one.
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog->winId(); // the hints must be on the window before the window manager maps it
    Platform::windows().forbidMinimiseMaximise(dialog, dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    loop.exec(QEventLoop::DialogExec);
}

}
