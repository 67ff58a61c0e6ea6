// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>

#include <pulse/sample.h>

struct PulseLibrary;

// A built-in sound as the sound server takes it: the sample format and the samples of a WAV file.
struct WavSound {
    pa_sample_spec sampleSpec{};
    QByteArray samples;

    // The format and samples of a RIFF WAVE image of uncompressed 8- or 16-bit PCM; no samples
    // for anything else (8-bit samples come back as 16-bit ones).
    static WavSound read(const PulseLibrary &pa, const QByteArray &image);
};
