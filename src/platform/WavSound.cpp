// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavSound.h"
#include "platform/PulseLibrary.h"

#include <QtEndian>

WavSound WavSound::read(const PulseLibrary &pa, const QByteArray &image)
{
    if (image.size() < 12 || !image.startsWith("RIFF") || image.mid(8, 4) != "WAVE")
        return {};
    WavSound sound;
    bool haveFormat = false;
    qsizetype pos = 12;
    while (pos + 8 <= image.size()) {
        const QByteArray id = image.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(image.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (id == "fmt " && size >= 16 && body + 16 <= image.size()) {
            const char *f = image.constData() + body;
            const quint16 tag = qFromLittleEndian<quint16>(f);
            const quint16 bits = qFromLittleEndian<quint16>(f + 14);
            if (tag != 1 || (bits != 8 && bits != 16))
                return {};
            sound.sampleSpec.format = bits == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
            sound.sampleSpec.channels = uint8_t(qFromLittleEndian<quint16>(f + 2));
            sound.sampleSpec.rate = qFromLittleEndian<quint32>(f + 4);
            haveFormat = pa.sample_spec_valid(&sound.sampleSpec);
        } else if (id == "data" && haveFormat) {
            sound.samples = image.mid(body, qMin<qsizetype>(size, image.size() - body));
            if (sound.sampleSpec.format == PA_SAMPLE_U8) {
                // As 16-bit samples: PipeWire fills the gaps of an 8-bit stream with zero bytes,
                // which are the loudest negative value there, not silence.
                QByteArray wide(sound.samples.size() * 2, Qt::Uninitialized);
                for (qsizetype i = 0; i < sound.samples.size(); ++i)
                    qToLittleEndian<qint16>(qint16((uchar(sound.samples[i]) - 128) << 8), wide.data() + 2 * i);
                sound.samples = wide;
                sound.sampleSpec.format = PA_SAMPLE_S16LE;
            }
            return sound;
        }
        pos = body + qsizetype(size) + (size & 1);
    }
    return {};
}
