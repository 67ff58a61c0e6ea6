// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/SoundOutput.h"

#include <QHash>
#include <QObject>

class QSoundEffect;

// Plays the built-in WAV sounds through Qt Multimedia, one preloaded effect per sound and
// one channel for the whole program.
class QtSoundOutput : public QObject, public SoundOutput {
    Q_OBJECT
public:
    QtSoundOutput();
    ~QtSoundOutput() override;
    int deviceCount() const override;
    void play(const QString &name) override;
    void stop() override;

private:
    QSoundEffect *effect(const QString &name);
    QHash<QString, QSoundEffect *> m_effects;
};
