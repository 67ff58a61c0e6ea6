// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QString>
#include <optional>

class NoteValue;

// The ringing of one note's alarm, tick by tick: when it flashes, sounds, blinks the bell and
// ends. It holds the alarm variables; the note window owns one and carries out each step.
class AlarmCourse {
public:
    // The ringing timer's tick.
    static constexpr int TickMs = 500;
    // The colour a ringing note flashes to.
    static QColor flashColor() { return QColor(255, 255, 192); }

    // Starts a course from the note: its sound, whether it rings until acknowledged and its
    // colour. A number that cannot be read gives the default instead of stopping the alarm.
    void start(const NoteValue &note);
    // The person clicked the note: the next tick ends the course.
    void acknowledge() { m_acknowledged = true; }
    bool acknowledged() const { return m_acknowledged; }

    // The steps of one tick, in this order.
    // Whether the bell shows now (a continuous alarm blinks it); nothing when it stays as it is.
    std::optional<bool> bellVisible() const;
    // The sound to play now, or an empty name.
    QString soundNow() const;
    // Whether this tick flashes (alternating flash colour and note colour).
    bool flashesNow() const { return m_flashCount < FlashTicks; }
    // For a tick that flashes: switches between the flash colour and the note's own; true when
    // the flash colour shows now.
    bool toggleFlash() { return m_flashShown = !m_flashShown; }
    // Counts the tick; true when the course has ended with it.
    bool advance();
    // After the end: ready for the next alarm.
    void finish() { m_tickCount = 0; }

    quint8 colorIndex() const { return m_colorIndex; }

private:
    // A plain alarm rings this many ticks (3 seconds); a continuous one flashes as long, then
    // blinks its bell until acknowledged.
    static constexpr int PlainTicks = 6;
    static constexpr int FlashTicks = 6;
    // Past this count the tick counter goes back to a count with the same blinking phase.
    static constexpr int TickWrap = 100;
    static constexpr int TickWrapTo = 11;

    QString m_soundName;
    bool m_continuous = false;
    quint8 m_colorIndex = 0;
    qint16 m_tickCount = 0;
    quint8 m_flashCount = 0;
    bool m_acknowledged = false;
    bool m_flashShown = false;
};
