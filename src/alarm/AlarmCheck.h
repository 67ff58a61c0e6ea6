// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>
#include <QString>

class NoteValue;

// The alarm check: when a note's alarm is due.

// When a note's alarm rings, worked out once from its value: the alarm moment brought forward by
// its minutes.
struct AlarmDue {
    // The date and time the local clock shows when it rings, whatever the zone then. Held in UTC
    // only so that nothing moves it: a local QDateTime would shift a time the clock skips. Invalid
    // for no alarm, and for one that can never ring (its date cannot be read); a date with a time
    // that cannot be read rings once its day has passed, at 00:00 of the next.
    QDateTime at;
    // The same as a person sees it, "DD/MM/YYYY HH:NN" (the moment as entered when not brought
    // forward); empty for no alarm.
    QString text;

    // Throws RuntimeError when the moment has no blank, or is not a date and time while the
    // minutes are not 0, or when the minutes cannot be read.
    static AlarmDue of(const NoteValue &note);
    // The same for an alarm moment "DD/MM/YYYY HH:NN" and its minutes.
    static AlarmDue of(const QString &dataHoraAviso, int minutes);

    bool operator==(const AlarmDue &other) const { return at == other.at && text == other.text; }
    bool operator!=(const AlarmDue &other) const { return !(*this == other); }
};

// Whether an alarm due at this wall-clock moment (AlarmDue::at) rings at `when`: a past day at
// once, today from HH:NN:00 on, by the local clock. An invalid moment never rings.
bool isAlarmDue(const QDateTime &due, const QDateTime &when);

// Reads "DD/MM/YYYY" and "HH:NN" strictly; invalid results when the text is not such a date or time.
QDate parseAlarmDate(const QString &text);
QTime parseAlarmTime(const QString &text);
