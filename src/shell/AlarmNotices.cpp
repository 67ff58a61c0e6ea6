// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AlarmNotices.h"
#include "alarm/AlarmCheck.h"
#include "note/frmLembrete.h"
#include "platform/Clock.h"
#include "platform/DesktopNotices.h"
#include "platform/Platform.h"

namespace {

const QString Open = QStringLiteral("default");
const QString PutOff = QStringLiteral("adiar");

// An alarm that rings this long after its minute rang late: the machine was off or asleep, or
// the program was not running.
constexpr qint64 LateAfterSecs = 120;

// When and since when the alarm was due, "DD/MM/YYYY HH:NN" as the bell's tip shows it.
QString dueLine(const AlarmDue &due)
{
    // The local clock's reading now, held as the due moment is.
    const QDateTime now = Platform::clock().now().toLocalTime();
    const QDateTime shown(now.date(), now.time(), Qt::UTC);
    if (due.at.isValid() && due.at.secsTo(shown) >= LateAfterSecs)
        return QStringLiteral("Alarme pendente desde %1: o computador estava desligado ou em espera, "
                              "ou o Quadrelo não estava aberto.")
            .arg(due.text);
    return QStringLiteral("Alarme marcado para %1.").arg(due.text);
}

} // namespace

AlarmNotices::AlarmNotices(DesktopNotices &desktop, QObject *parent) : QObject(parent), m_desktop(desktop)
{
    connect(&m_desktop, &DesktopNotices::invoked, this, &AlarmNotices::invoked);
}

void AlarmNotices::follow(frmLembrete *note)
{
    const quint64 key = ++m_lastKey;
    m_notes.insert(key, note);
    connect(note, &frmLembrete::ringingStarted, this, [this, key, note] { ringing(key, note); });
    connect(note, &frmLembrete::ringingEnded, this, [this, key](bool acknowledged) {
        if (acknowledged)
            m_desktop.withdraw(key);
    });
    connect(note, &frmLembrete::alarmChanged, this, [this, key] { m_desktop.withdraw(key); });
    // Deleted here, by another machine, or at the end: its notice goes with it.
    connect(note, &QObject::destroyed, this, [this, key] {
        m_notes.remove(key);
        m_desktop.withdraw(key);
    });
}

void AlarmNotices::ringing(quint64 key, frmLembrete *note)
{
    DesktopNotices::Notice notice;
    notice.summary = note->readerName();
    notice.body = dueLine(note->alarmDue());
    notice.actions = {{Open, QStringLiteral("Mostrar Lembrete")},
                      {PutOff, QStringLiteral("Adiar %1 minutos").arg(PutOffMinutes)}};
    m_desktop.show(key, notice); // in place of the note's earlier one
}

void AlarmNotices::invoked(quint64 key, const QString &action)
{
    if (!m_notes.contains(key))
        return;
    m_desktop.withdraw(key);
    frmLembrete *note = m_notes.value(key);
    if (!note || !note->isNote())
        return; // deleted meanwhile
    if (action == Open)
        note->bringUp();
    else if (action == PutOff)
        note->putOff(PutOffMinutes);
}

void AlarmNotices::withdrawAll()
{
    m_notes.clear();
    m_desktop.withdrawAll();
}
