// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/AlarmCourse.h"
#include "alarm/Sounds.h"
#include "records/NoteValue.h"

void AlarmCourse::start(const NoteValue &note)
{
    m_soundName = SoundNameFromIndex(note.sound.value_or(0));
    m_continuous = note.continuous;
    m_colorIndex = note.colorIndex.value_or(0);
    m_acknowledged = false;
    m_flashCount = 0;
    m_flashShown = false;
}

std::optional<bool> AlarmCourse::bellVisible() const
{
    if (m_continuous && m_tickCount >= PlainTicks)
        return m_tickCount % 3 != 2;
    return std::nullopt;
}

QString AlarmCourse::soundNow() const { return m_tickCount % 2 == 0 ? m_soundName : QString(); }

bool AlarmCourse::advance()
{
    m_tickCount = qint16(m_tickCount + 1);
    if (m_flashCount < 10)
        ++m_flashCount;
    const bool ended = (m_tickCount == PlainTicks && !m_continuous) || m_acknowledged;
    if (m_tickCount > TickWrap)
        m_tickCount = TickWrapTo;
    return ended;
}
