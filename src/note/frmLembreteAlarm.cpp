// SPDX-License-Identifier: GPL-3.0-or-later
// A note's alarm: its ring start when the clock names it due, the ringing that flashes and sounds
// it, and what ends or puts it off.
#include "alarm/AlarmClock.h"
#include "alarm/Sounds.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"

#include <QPointer>
#include <QTimer>

using namespace NoteRecord;

void frmLembrete::Alarme_Click() { m_alarm.acknowledge(); }

void frmLembrete::tmrAviso_Timer()
{
    // Called only when due: named by the clock, or found due as a change arrives.
    if (m_deleted)
        return;
    AlarmClock::instance().setAlarm(this, QDateTime()); // rings once; its end consumes it
    m_alarm.start(m_value);
    tmrContAlarme->start(AlarmCourse::TickMs);
    comeForward();
    emit ringingStarted();
}

void frmLembrete::tmrContAlarme_Timer()
{
    if (m_deleted)
        return;
    if (const std::optional<bool> bell = m_alarm.bellVisible())
        Alarme->setVisible(*bell);
    if (const QString sound = m_alarm.soundNow(); !sound.isEmpty()) {
        // Playing lets other events run; this note may be deleted meanwhile.
        QPointer<frmLembrete> self(this);
        PlaySoundResource(sound);
        if (!self || m_deleted)
            return;
    }
    if (m_alarm.flashesNow()) {
        const bool flash = m_alarm.toggleFlash();
        setNoteColor(flash ? AlarmCourse::flashColor() : ColorFromIndex(m_alarm.colorIndex()));
        Alarme->setVisible(!flash);
    }
    if (m_alarm.advance())
        endRinging();
}

bool frmLembrete::endRinging()
{
    // The alarm is consumed: the value and the bell say no alarm.
    m_value.alarm = false;
    m_value.alarmAt.clear();
    if (isNote())
        emit changed();
    QPointer<frmLembrete> self(this);
    StopSound();
    if (!self || m_deleted)
        return false;
    tmrContAlarme->stop();
    m_alarm.finish();
    display(); // its own colour again (chosen anew if the properties changed meanwhile), no bell
    emit ringingEnded(m_alarm.acknowledged());
    return true;
}

void frmLembrete::comeForward()
{
    show();
    // Raised by stacking, not by a focus request, which window managers refuse from a timer.
    Platform::windows().setTopmost(this, true);
    if (!isPinned())
        Platform::windows().setTopmost(this, false);
}

bool frmLembrete::isRinging() const { return tmrContAlarme->isActive(); }

void frmLembrete::bringUp()
{
    if (m_deleted)
        return;
    m_alarm.acknowledge();
    comeForward();
    focusText();
}

void frmLembrete::putOff(int minutes)
{
    if (m_deleted)
        return;
    if (tmrContAlarme->isActive()) {
        m_alarm.acknowledge();
        // Ended now, not at the next tick, whose end would take the new alarm away again.
        if (!endRinging())
            return;
    }
    const QDateTime now = Platform::clock().now();
    NoteValue later = m_value;
    later.alarm = true;
    later.alarmAt = formatDateTime(now.addSecs(qint64(minutes) * 60));
    later.minutes = 0;
    later.changedAt = formatDateTime(now);
    setValue(later);
}
