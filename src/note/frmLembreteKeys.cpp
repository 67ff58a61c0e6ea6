// SPDX-License-Identifier: GPL-3.0-or-later
// The note window without a mouse, and as assistive technology reads it: the command pictures
// reached from the text with Ctrl+Tab, the delete question answered by keys, and the names.
#include "note/frmLembrete.h"
#include "note/ClickLabel.h"
#include "platform/Design.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/WindowOps.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <algorithm>

namespace {
// A first line longer than this is cut in the window's name: it is read out at every visit.
constexpr int NameLength = 80;

// The window as a screen reader finds it, named when asked: a name given ahead would make Qt
// build this object for every note at once, and again at every key that changes the first line.
class AccessibleNote : public QAccessibleWidget {
public:
    explicit AccessibleNote(frmLembrete *note) : QAccessibleWidget(note) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<frmLembrete *>(widget())->readerName();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *noteFactory(const QString &className, QObject *object)
{
    return className == QLatin1String("frmLembrete") ? new AccessibleNote(static_cast<frmLembrete *>(object)) : nullptr;
}
}

void frmLembrete::setUpKeyboard()
{
    static const bool installed = (QAccessible::installFactory(noteFactory), true);
    Q_UNUSED(installed);
    txtTexto->setAccessibleName(QStringLiteral("Texto do lembrete"));
    txtTexto->installEventFilter(this);
    // In the order drawn, top to bottom; only one of the two pins shows at a time. A click gives
    // them no focus: the text keeps it, as it always did.
    for (ClickLabel *picture : {esconder, Ponteiro, Ponteiro2, Propriedade, Lixeira, Alarme, imgEmail}) {
        picture->setFocusPolicy(Qt::TabFocus);
        picture->installEventFilter(this);
    }
    orderTabs();
    // A note that becomes active gives the keyboard to its text, also when the click that made it
    // active was on a picture: the first in the focus chain would take it, with its focus mark.
    txtTexto->setFocus();
    // The handles are for the mouse alone; named for what they are.
    imgTop->setAccessibleName(QStringLiteral("Canto do lembrete"));
    imgArraste->setAccessibleName(QStringLiteral("Alça de redimensionar"));
}

void frmLembrete::createConfirmation()
{
    fraExclusao = new QGroupBox(QStringLiteral("Confirma Exclusão? "), this);
    fraExclusao->setObjectName(QStringLiteral("fraExclusao"));
    fraExclusao->setAutoFillBackground(true); // in the note's colour, set when asked
    Design::placeTw(fraExclusao, 360, 1260, 1725, 555);
    // The caption must fit the frame's 115 pixels in the desktop's (wider) font.
    QFont captionFont = fraExclusao->font();
    captionFont.setPointSizeF(7);
    fraExclusao->setFont(captionFont);

    QFont small(QStringLiteral("Small Fonts"));
    small.setPointSizeF(6.75);
    cmdExcNao = new QPushButton(QStringLiteral("&Não"), fraExclusao);
    cmdExcNao->setObjectName(QStringLiteral("cmdExcNao"));
    cmdExcNao->setFont(small);
    Design::placeTw(cmdExcNao, 900, 225, 645, 240);
    cmdExcSim = new QPushButton(QStringLiteral("&Sim"), fraExclusao);
    cmdExcSim->setObjectName(QStringLiteral("cmdExcSim"));
    cmdExcSim->setFont(small);
    Design::placeTw(cmdExcSim, 135, 225, 645, 240);
    fraExclusao->hide();

    orderTabs();
    for (QPushButton *button : {cmdExcSim, cmdExcNao})
        button->installEventFilter(this);
    connect(cmdExcSim, &QPushButton::clicked, this, [this] { runGuarded([this] { cmdExcSim_Click(); }); });
    connect(cmdExcNao, &QPushButton::clicked, this, [this] { runGuarded([this] { cmdExcNao_Click(); }); });
}

void frmLembrete::orderTabs()
{
    // The question's buttons once asked, the pictures in the order drawn, then the text.
    QList<QWidget *> order{esconder, Ponteiro, Ponteiro2, Propriedade, Lixeira, Alarme, imgEmail, txtTexto};
    if (cmdExcSim)
        order = QList<QWidget *>{cmdExcSim, cmdExcNao} + order;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

void frmLembrete::hideQuestion()
{
    if (fraExclusao)
        fraExclusao->hide();
}

void frmLembrete::nameAfterText()
{
    if (!QAccessible::isActive())
        return;
    if (const QString before = m_readerName; readerName() != before) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString frmLembrete::readerName() const
{
    // Read character by character: the first line of a long paste is not copied at each key.
    const QTextDocument *doc = txtTexto->document();
    QString first;
    for (int i = 0; i < NameLength; ++i) {
        const QChar c = doc->characterAt(i);
        if (c.isNull() || c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\n'))
            break;
        first += c;
    }
    first = first.trimmed();
    m_readerName = first.isEmpty() ? QStringLiteral("Lembrete") : first;
    return m_readerName;
}

QList<QWidget *> frmLembrete::focusStops() const
{
    QList<QWidget *> stops{txtTexto};
    for (QWidget *picture : {esconder, Ponteiro, Ponteiro2, Propriedade, Lixeira, Alarme, imgEmail})
        if (picture->isVisibleTo(this) && picture->isEnabled())
            stops << picture;
    return stops;
}

void frmLembrete::stepFocus(bool forward)
{
    const QList<QWidget *> stops = focusStops();
    const int at = std::max(0, int(stops.indexOf(focusWidget())));
    const int n = int(stops.size());
    stops.at((at + (forward ? 1 : n - 1)) % n)->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool frmLembrete::focusNextPrevChild(bool next)
{
    // Qt moves the focus on when the control holding it goes away: a question answered or taken
    // back returns to the delete picture, a picture hidden or disabled (a bell blinking, the delete
    // of a note made read-only) to the text.
    QWidget *focus = focusWidget();
    if (focus && fraExclusao && fraExclusao->isAncestorOf(focus) && fraExclusao->isHidden()) {
        (Lixeira->isVisibleTo(this) && Lixeira->isEnabled() ? static_cast<QWidget *>(Lixeira) : txtTexto)
            ->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (focus && focus != txtTexto && focusStops().contains(focus)) {
        stepFocus(next);
        return true;
    }
    if (focus && qobject_cast<ClickLabel *>(focus)) {
        txtTexto->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

bool frmLembrete::keyEvent(QObject *watched, QKeyEvent *key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    const bool back = key->key() == Qt::Key_Backtab || mods.testFlag(Qt::ShiftModifier);
    const bool plain = !(mods & ~Qt::ShiftModifier);
    if (watched == txtTexto) {
        // Tab alone is a character of the text.
        if (!tab || (mods & ~Qt::ShiftModifier) != Qt::ControlModifier)
            return false;
        stepFocus(!back);
        return true;
    }
    if (watched == cmdExcSim || watched == cmdExcNao) {
        auto *button = static_cast<QPushButton *>(watched);
        if (tab && !(mods & Qt::AltModifier)) {
            // The question holds the keyboard until it is answered.
            (button == cmdExcSim ? cmdExcNao : cmdExcSim)->setFocus(Qt::TabFocusReason);
        } else if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !mods) {
            button->click();
        } else if (key->key() == Qt::Key_Escape && !mods) {
            cmdExcNao->click();
        } else {
            return false;
        }
        return true;
    }
    if (tab && !(mods & Qt::AltModifier)) {
        stepFocus(!back);
        return true;
    }
    if (key->key() == Qt::Key_Escape && plain) {
        txtTexto->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void frmLembrete::focusText()
{
    if (!isVisible())
        return;
    Platform::windows().restore(this); // the window manager gives this window the keyboard
    txtTexto->setFocus(Qt::OtherFocusReason);
}
