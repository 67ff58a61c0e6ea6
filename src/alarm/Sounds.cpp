// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/Sounds.h"
#include "platform/Platform.h"
#include "platform/SoundOutput.h"
#include "platform/WindowOps.h"

QString SoundNameFromIndex(quint8 index)
{
    static const char *const names[] = {"", "TIC", "CLICK", "BOOP", "PLANK", "BLIP", "TYPE", "TALK", "PNAM"};
    return index <= 8 ? QString::fromLatin1(names[index]) : QString();
}

void PlaySoundResource(const QString &name)
{
    WindowOps::processPendingEvents();
    SoundOutput &out = Platform::sound();
    if (out.deviceCount() < 1)
        return;
    out.play(name);
    WindowOps::processPendingEvents();
}

void StopSound()
{
    Platform::sound().stop();
    WindowOps::processPendingEvents();
}
