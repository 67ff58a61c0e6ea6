// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frmSobre.h"
#include "dialogs/DialogDesign.h"
#include "dialogs/ModalRun.h"

#include "note/ClickLabel.h"
#include "platform/Design.h"
#include "platform/Platform.h"
#include "platform/ShellOpener.h"
#include "records/Maker.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <memory>

namespace {

QPointer<frmSobreWindow> g_open;

using namespace DialogDesign;

void setTextColor(QLabel *label, const QColor &color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

template <typename T>
T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

}

frmSobreWindow::frmSobreWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmSobre"));
    setWindowTitle(QStringLiteral("Sobre o Quadrelo 2.2"));
    setWindowIcon(QIcon(Design::picture(QStringLiteral(":/pictures/about.png"))));
    setFixedSize(px(4785), px(2580));

    Command1 = named(new QPushButton(QStringLiteral("&Okay"), this), QStringLiteral("Command1"));
    Command1->setFont(designFont(9.75, true));
    Command1->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    Command1->setAutoDefault(false);
    Command1->setDefault(false);
    placeTw(Command1, 75, 2160, 4635, 330);

    // A 1 x 1 holder takes the focus when the dialog opens, so Enter and Space press nothing.
    picFocus = named(new QWidget(this), QStringLiteral("picFocus"));
    picFocus->setFocusPolicy(Qt::StrongFocus);
    placeTw(picFocus, 4545, 540, 15, 15);
    createTexts();
    createLinks();

    connect(Command1, &QPushButton::clicked, this, &frmSobreWindow::Command1_Click);
    connect(endereco, &ClickLabel::clicked, this, &frmSobreWindow::endereco_Click);
    connect(email, &ClickLabel::clicked, this, &frmSobreWindow::email_Click);
    picFocus->setFocus(Qt::OtherFocusReason);
}

// The two lines naming the maker.
void frmSobreWindow::createTexts()
{
    Label1 = named(new QLabel(QStringLiteral("Esse programa é uma cortesia da"), this), QStringLiteral("Label1"));
    Label1->setFont(designFont(9.75, true, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeTw(Label1, 45, 120, 4665, 255);

    Label2 = named(new QLabel(QStringLiteral("Borvane Informática"), this), QStringLiteral("Label2"));
    Label2->setFont(designFont(15.75, true));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setTextColor(Label2, QColor(0, 0, 128));
    placeTw(Label2, 45, 570, 4665, 495);
}

// The maker's web page and e-mail address, each after its caption, clickable.
void frmSobreWindow::createLinks()
{
    const QFont italic = designFont(9.75, false, true);
    const QFont link = designFont(9.75, true, false, true);
    const QColor linkColor(0, 0, 192);
    endereco = named(new ClickLabel(this), QStringLiteral("endereco"));
    endereco->setText(Maker::webAddress());
    Label6[0] = named(new QLabel(QStringLiteral("WebSite:"), this), QStringLiteral("Label6(0)"));
    email = named(new ClickLabel(this), QStringLiteral("email"));
    email->setText(Maker::emailAddress());
    Label6[1] = named(new QLabel(QStringLiteral("E-mail:"), this), QStringLiteral("Label6(1)"));
    for (int i = 0; i < 2; ++i) {
        Label6[i]->setFont(italic);
        Label6[i]->setAlignment(Qt::AlignRight | Qt::AlignTop);
        placeTw(Label6[i], 90, i == 0 ? 1215 : 1665, 975, 255);
    }
    for (int i = 0; i < 2; ++i) {
        ClickLabel *l = i == 0 ? endereco : email;
        l->setFont(link);
        l->setTextFormat(Qt::PlainText);
        setTextColor(l, linkColor);
        l->setCursor(Design::handCursor());
        placeTw(l, 1170, i == 0 ? 1215 : 1665, 3570, 255);
        // Reached by Tab from the holder and opened by Space or Enter, as a click opens it; a
        // screen reader says the caption with the address.
        l->setFocusPolicy(Qt::TabFocus);
        l->setAccessibleName(Label6[i]->text() + QLatin1Char(' ') + l->text());
    }
}

void frmSobreWindow::Command1_Click() { done(QDialog::Accepted); }

void frmSobreWindow::endereco_Click() { Platform::shell().open(Maker::webAddress()); }

void frmSobreWindow::email_Click() { Platform::shell().open(QStringLiteral("mailto:") + Maker::emailAddress()); }

void frmSobreWindow::keyPressEvent(QKeyEvent *event)
{
    // Only "&Okay" and the title bar close the dialog.
    if (!swallowsKey(event))
        QDialog::keyPressEvent(event);
}

namespace frmSobre {

void showModal()
{
    if (g_open) { // already showing: bring it forward
        g_open->raise();
        g_open->activateWindow();
        return;
    }
    const auto dialog = std::make_unique<frmSobreWindow>();
    g_open = dialog.get();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    }
    // A close from the title bar rejects, which closes it just as "&Okay" does.
    ModalRun::exec(dialog.get());
}

bool isOpen() { return g_open && g_open->isVisible(); }

void close()
{
    if (g_open)
        g_open->done(QDialog::Rejected);
}

frmSobreWindow *current() { return g_open; }

}
