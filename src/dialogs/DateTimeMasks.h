// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>

class QLineEdit;
class QWidget;

// Keystroke handlers of the alarm date, time and minutes boxes. Each sees the typed character
// code (backspace is 8), the box's whole text and whether part of it is selected, and says what
// to do with the key.
namespace DateTimeMasks {

struct Outcome {
    enum Kind { Pass, Discard, SetText };
    Kind kind = Pass;
    QString text;           // SetText: the box's new text
    int caret = 0;          // SetText: the caret after it
    bool focusNext = false; // move the focus on once the key is handled
};

// DD/MM/YYYY: digits only at the digit places, "/" appended after the day and the month, and the
// focus goes on to the time once the year is complete.
Outcome dateKey(char16_t k, const QString &text, bool hasSelection);
// HH:NN: the same for the time; the focus goes on to Okay.
Outcome timeKey(char16_t k, const QString &text, bool hasSelection);
// Minutes: digits and backspace only.
Outcome minutesKey(char16_t k);

// Feeds the typed characters of a box to its handler and carries out the outcome. Keys that
// produce no character (arrows, Home, End, Delete, Tab) go straight to the box.
class MaskFilter : public QObject {
    Q_OBJECT
public:
    enum Kind { Date, Time, Minutes };
    // `next` receives the focus when the handler moves it on (unused for minutes).
    MaskFilter(QLineEdit *box, Kind kind, QWidget *next);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_box;
    Kind m_kind;
    QWidget *m_next;
};

}
