// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/DateTimeMasks.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace DateTimeMasks {

namespace {
constexpr char16_t Backspace = 8;

bool isDigit(char16_t k) { return k >= u'0' && k <= u'9'; }

Outcome pass(bool focusNext = false)
{
    Outcome o;
    o.focusNext = focusNext;
    return o;
}

Outcome discard()
{
    Outcome o;
    o.kind = Outcome::Discard;
    return o;
}

// The digit and the separator go at the end of the text, wherever the caret is.
Outcome appendWithSeparator(const QString &text, char16_t k, char16_t separator)
{
    Outcome o;
    o.kind = Outcome::SetText;
    o.text = text + QChar(k) + QChar(separator);
    o.caret = int(o.text.size());
    return o;
}
}

Outcome dateKey(char16_t k, const QString &text, bool hasSelection)
{
    if (k == Backspace || hasSelection)
        return pass();
    const bool digit = isDigit(k);
    switch (text.size()) {
    case 0:
    case 3:
    case 6:
    case 7:
    case 8:
        return digit ? pass() : discard();
    case 9:
        return digit ? pass(true) : discard();
    case 1:
    case 4:
        return digit ? appendWithSeparator(text, k, u'/') : discard();
    default: // 2 and 5 take anything, so a deleted separator can be typed again; 10 is full
        return pass();
    }
}

Outcome timeKey(char16_t k, const QString &text, bool hasSelection)
{
    if (k == Backspace)
        return pass();
    // A complete time sends any further key on to Okay.
    const bool full = text.size() == 5;
    if (hasSelection)
        return pass(full);
    const bool digit = isDigit(k);
    switch (text.size()) {
    case 0:
    case 3:
        return digit ? pass() : discard();
    case 4:
        return digit ? pass(true) : discard();
    case 1:
        return digit ? appendWithSeparator(text, k, u':') : discard();
    default: // 2 takes anything; 5 is full
        return pass(full);
    }
}

Outcome minutesKey(char16_t k) { return (k == Backspace || isDigit(k)) ? pass() : discard(); }

MaskFilter::MaskFilter(QLineEdit *box, Kind kind, QWidget *next) : QObject(box), m_box(box), m_kind(kind), m_next(next)
{
    // Composed input would slip past the handlers.
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->installEventFilter(this);
}

bool MaskFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    char16_t k = 0;
    switch (key->key()) {
    case Qt::Key_Backspace:
        k = Backspace;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return false;
    default:
        if (key->text().isEmpty())
            return false;
        k = key->text().at(0).unicode();
        if (k == 127) // Delete as some keyboards report it
            return false;
    }

    Outcome o;
    switch (m_kind) {
    case Date:
        o = dateKey(k, m_box->text(), m_box->hasSelectedText());
        break;
    case Time:
        o = timeKey(k, m_box->text(), m_box->hasSelectedText());
        break;
    case Minutes:
        o = minutesKey(k);
        break;
    }

    switch (o.kind) {
    case Outcome::Discard:
        return true;
    case Outcome::SetText:
        m_box->setText(o.text);
        m_box->setCursorPosition(o.caret);
        return true;
    case Outcome::Pass:
        if (!o.focusNext || !m_next)
            return false;
        // The key must reach the box (replacing a selection) before the focus leaves it,
        // since leaving the box clears its selection.
        static_cast<QObject *>(m_box)->event(event);
        m_next->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

}
