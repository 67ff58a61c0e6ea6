// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/AlarmCheck.h"
#include "platform/RuntimeError.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"

#include <QRegularExpression>

QDate parseAlarmDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{2}/\\d{2}/\\d{4}$"));
    if (!form.match(text).hasMatch())
        return {};
    return QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
}

QTime parseAlarmTime(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{2}:\\d{2}$"));
    if (!form.match(text).hasMatch())
        return {};
    return QTime::fromString(text, QStringLiteral("HH:mm"));
}

QString AlarmDueText(const QString &dataHoraAviso, int minutes)
{
    const int blank = int(dataHoraAviso.indexOf(QLatin1Char(' ')));
    if (blank < 0)
        throw RuntimeError::invalidArgument();
    const QString datePart = dataHoraAviso.left(blank);
    const QString timePart = dataHoraAviso.mid(blank + 1);
    if (minutes == 0)
        return datePart + QLatin1Char(' ') + timePart;
    const QDate date = parseAlarmDate(datePart);
    const QTime time = parseAlarmTime(timePart);
    if (!date.isValid() || !time.isValid())
        throw RuntimeError::typeMismatch();
    const QDateTime due = QDateTime(date, time).addSecs(-60LL * minutes);
    return NoteRecord::formatDateTime(due);
}

QString AlarmDueText(const NoteValue &note)
{
    if (!note.alarm)
        return QString();
    note.checkReadable({NoteRecord::Minutos});
    return AlarmDueText(note.alarmAt, *note.minutes);
}

bool isAlarmDue(const QString &dueText, const QDateTime &when)
{
    const QDateTime now = when.toLocalTime();
    if (dueText.isEmpty())
        return false;
    const int blank = int(dueText.indexOf(QLatin1Char(' ')));
    const QDate date = parseAlarmDate(blank < 0 ? dueText : dueText.left(blank));
    if (!date.isValid())
        return false;
    const QDate today = now.date();
    if (date < today)
        return true;
    if (date > today)
        return false;
    const QTime time = blank < 0 ? QTime() : parseAlarmTime(dueText.mid(blank + 1));
    return time.isValid() && time <= now.time();
}
