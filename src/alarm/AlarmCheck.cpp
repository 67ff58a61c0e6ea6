// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/AlarmCheck.h"
#include "platform/RuntimeError.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"

namespace {

// Whether the text has the form given, each '9' in it standing for a digit 0 to 9.
bool hasForm(const QString &text, QLatin1StringView form)
{
    if (text.size() != form.size())
        return false;
    for (qsizetype i = 0; i < form.size(); ++i) {
        const QChar c = text.at(i);
        if (form.at(i) == QLatin1Char('9') ? !(c >= u'0' && c <= u'9') : c != form.at(i))
            return false;
    }
    return true;
}

}

QDate parseAlarmDate(const QString &text)
{
    if (!hasForm(text, QLatin1StringView("99/99/9999")))
        return {};
    return QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
}

QTime parseAlarmTime(const QString &text)
{
    if (!hasForm(text, QLatin1StringView("99:99")))
        return {};
    return QTime::fromString(text, QStringLiteral("HH:mm"));
}

AlarmDue AlarmDue::of(const QString &dataHoraAviso, int minutes)
{
    const int blank = int(dataHoraAviso.indexOf(QLatin1Char(' ')));
    if (blank < 0)
        throw RuntimeError::invalidArgument();
    const QString datePart = dataHoraAviso.left(blank);
    const QString timePart = dataHoraAviso.mid(blank + 1);
    const QDate date = parseAlarmDate(datePart);
    const QTime time = parseAlarmTime(timePart);
    if (minutes == 0) {
        // Kept as entered, read or not.
        AlarmDue due{QDateTime(), datePart + QLatin1Char(' ') + timePart};
        if (date.isValid())
            due.at = time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime(date.addDays(1), QTime(0, 0), Qt::UTC);
        return due;
    }
    if (!date.isValid() || !time.isValid())
        throw RuntimeError::typeMismatch();
    // Brought forward by the local clock, as the minutes pass on it.
    const QDateTime local = QDateTime(date, time).addSecs(-60LL * minutes);
    return {QDateTime(local.date(), local.time(), Qt::UTC), NoteRecord::formatDateTime(local)};
}

AlarmDue AlarmDue::of(const NoteValue &note)
{
    if (!note.alarm)
        return {};
    note.checkReadable({NoteRecord::Minutos});
    return of(note.alarmAt, *note.minutes);
}

bool isAlarmDue(const QDateTime &due, const QDateTime &when)
{
    if (!due.isValid())
        return false;
    const QDateTime now = when.toLocalTime();
    const QDate today = now.date();
    if (due.date() != today)
        return due.date() < today;
    return due.time() <= now.time();
}
