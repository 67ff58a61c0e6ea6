// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/SoundOutput.h"

#include <memory>

// Plays the built-in WAV sounds on the sound server's current default output (PulseAudio, or
// PipeWire through its PulseAudio service). A thread of its own talks to the server, so a server
// that is missing, restarting or hung never holds up the windows. Nothing of it is loaded until
// the first question for the devices or the first sound; from then on, without a server it sleeps:
// it connects when the server's socket appears, and when a sound is about to be played.
class PulseSoundOutput : public SoundOutput {
public:
    PulseSoundOutput();
    ~PulseSoundOutput() override;
    // The output devices the server has now; 0 while no server answers, and then one is looked
    // for at once, so that the next sound plays if one has come. The first call loads the sound
    // library and waits (briefly) for the server's first answer.
    int deviceCount() const override;
    // Only the latest request counts: plays asked for while the server is busy are not queued up.
    void play(const QString &name) override;
    void stop() override;

    class Worker;

private:
    // Loads the library and starts the worker the first time; false if there is no library.
    bool start() const;

    mutable std::unique_ptr<Worker> m_worker;
    mutable bool m_tried = false;
};
