#include "alarm/AlarmCheck.h"
#include "alarm/Sounds.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"

#include <QRegularExpression>
#include <QTimer>
#include <cmath>

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

bool isAlarmDue(const QString &dueText, const QDateTime &now)
{
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

void frmLembrete::tmrAviso_Timer()
{
    if (m_deleted)
        return;
    if (!isAlarmDue(Alarme->toolTip(), Platform::clock().now()))
        return;

    // Ring start. A damaged field gives the defaults instead of stopping the alarm.
    const QStringList f = NoteRecord::split(m_record);
    auto fieldOr = [&f](int n) { return n < f.size() ? f.at(n) : QString(); };
    quint8 sound = 0;
    try {
        sound = NoteRecord::toByte(fieldOr(NoteRecord::Som));
    } catch (const RuntimeError &) {
    }
    AlarmSoundName = SoundNameFromIndex(sound);
    AlarmContinuous = fieldOr(NoteRecord::Continuo) == QLatin1String("S");
    bool ok = false;
    const double colour = fieldOr(NoteRecord::Cor).trimmed().toDouble(&ok);
    AlarmColorIndex = (ok && colour >= 0 && colour < 256) ? quint8(std::floor(colour)) : 0;
    AlarmAcknowledged = false;
    setTimerInterval(tmrContAlarme, 500);
    AlarmFlashCount = 0;
    show();
    // Raised by stacking, not by a focus request, which window managers refuse from a timer.
    WindowOps::setTopmost(this, true);
    if (!isPinned())
        WindowOps::setTopmost(this, false);
}
