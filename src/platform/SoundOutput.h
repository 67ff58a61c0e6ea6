// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The program's single sound channel: a new play cuts off whatever is playing.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Number of audio output devices; 0 means sounds cannot be played.
    virtual int deviceCount() const = 0;
    // Starts the named built-in sound ("TIC", "CLICK", ...) and returns at once.
    virtual void play(const QString &name) = 0;
    virtual void stop() = 0;
};
