// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>
#include <QString>

class NoteValue;

// The alarm check: when a note's alarm is due.

// The moment an alarm rings, "DD/MM/YYYY HH:NN": the alarm moment brought forward by `minutes`.
// Throws RuntimeError when the moment has no blank, or is not a date and time while minutes is not 0.
QString AlarmDueText(const QString &dataHoraAviso, int minutes);
// The same for a note: empty when it has no alarm set. Throws as above, and when its minutes
// cannot be read.
QString AlarmDueText(const NoteValue &note);

// Whether an alarm with this due text rings at `when`: a past day at once, today from HH:NN:00 on,
// by the local clock. An empty or unreadable due text never rings.
bool isAlarmDue(const QString &dueText, const QDateTime &when);

// Reads "DD/MM/YYYY" and "HH:NN" strictly; invalid results when the text is not such a date or time.
QDate parseAlarmDate(const QString &text);
QTime parseAlarmTime(const QString &text);
