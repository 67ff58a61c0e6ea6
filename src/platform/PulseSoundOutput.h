// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/SoundOutput.h"

#include <memory>

// Plays the built-in WAV sounds on the sound server's current default output (PulseAudio, or
// PipeWire through its PulseAudio service). A thread of its own talks to the server, so a server
// that is missing, restarting or hung never holds up the windows. Without a server it sleeps: it
// connects when the server's socket appears, and when a sound is about to be played.
class PulseSoundOutput : public SoundOutput {
public:
    PulseSoundOutput();
    ~PulseSoundOutput() override;
    // The output devices the server has now; 0 while no server answers, and then one is looked
    // for at once, so that the next sound plays if one has come.
    int deviceCount() const override;
    // Only the latest request counts: plays asked for while the server is busy are not queued up.
    void play(const QString &name) override;
    void stop() override;

    class Worker;

private:
    std::unique_ptr<Worker> m_worker;
};
