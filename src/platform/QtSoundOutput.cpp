// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtSoundOutput.h"

#include <QAudioDevice>
#include <QDir>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

QtSoundOutput::QtSoundOutput()
{
    // Every built-in sound is loaded up front, so an alarm's first tick is not late.
    for (const QString &name : QDir(QStringLiteral(":/SOM")).entryList(QDir::Files))
        effect(name);
}
QtSoundOutput::~QtSoundOutput() = default;

int QtSoundOutput::deviceCount() const
{
    return int(QMediaDevices::audioOutputs().size());
}

QSoundEffect *QtSoundOutput::effect(const QString &name)
{
    auto it = m_effects.find(name);
    if (it != m_effects.end())
        return *it;
    auto *fx = new QSoundEffect(this);
    fx->setSource(QUrl(QStringLiteral("qrc:/SOM/%1").arg(name)));
    m_effects.insert(name, fx);
    return fx;
}

void QtSoundOutput::play(const QString &name)
{
    QSoundEffect *fx = effect(name);
    stop();
    fx->play();
}

void QtSoundOutput::stop()
{
    for (QSoundEffect *fx : std::as_const(m_effects))
        if (fx->isPlaying())
            fx->stop();
}
