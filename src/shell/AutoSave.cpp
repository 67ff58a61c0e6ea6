// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AutoSave.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"

#include <QTimer>

AutoSave::AutoSave(std::function<QString()> save, QObject *parent)
    : QObject(parent), m_save(std::move(save)), m_delay(new QTimer(this)), m_retry(new QTimer(this))
{
    // Not restarted by later changes: typing on and on still saves every interval.
    m_delay->setObjectName(QStringLiteral("autoSaveDelay"));
    m_delay->setSingleShot(true);
    m_delay->setInterval(DelayMs);
    connect(m_delay, &QTimer::timeout, this, &AutoSave::saveNow);
    m_retry->setInterval(RetryMs);
    connect(m_retry, &QTimer::timeout, this, &AutoSave::saveNow);
    m_retry->start();
}

void AutoSave::changed()
{
    m_pending = true;
    if (!m_held && !m_delay->isActive())
        m_delay->start();
}

void AutoSave::hold(bool held)
{
    m_held = held;
    if (!held && m_pending && !m_delay->isActive())
        m_delay->start();
}

void AutoSave::saveNow()
{
    if (m_held || m_busy || !m_pending)
        return;
    m_pending = false;
    // Busy while saving and telling: a message box lets events run, and the timers with them.
    m_busy = true;
    const QString failure = m_save();
    if (failure.isEmpty()) {
        m_failureTold = false;
    } else {
        m_pending = true; // tried again at the next change, or by the safety net
        if (!m_failureTold) {
            m_failureTold = true;
            Platform::messages().show(failure, MessageBox::Critical);
        }
    }
    m_busy = false;
    emit attempted(failure.isEmpty());
}
