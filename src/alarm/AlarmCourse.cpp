// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/AlarmCourse.h"
#include "alarm/Sounds.h"
#include "platform/RuntimeError.h"
#include "records/NoteRecord.h"

#include <QStringList>
#include <cmath>

void AlarmCourse::start(const QString &record)
{
    const QStringList f = NoteRecord::split(record);
    quint8 sound = 0;
    try {
        sound = NoteRecord::toByte(f.value(NoteRecord::Som));
    } catch (const RuntimeError &) {
    }
    m_soundName = SoundNameFromIndex(sound);
    m_continuous = f.value(NoteRecord::Continuo) == QLatin1String("S");
    bool ok = false;
    const double colour = f.value(NoteRecord::Cor).trimmed().toDouble(&ok);
    m_colorIndex = (ok && colour >= 0 && colour < 256) ? quint8(std::floor(colour)) : 0;
    m_acknowledged = false;
    m_flashCount = 0;
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
