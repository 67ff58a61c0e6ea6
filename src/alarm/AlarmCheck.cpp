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
