// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The alarm sounds: index 0 is silence, 1 to 8 name a built-in sound.
QString SoundNameFromIndex(quint8 index);
// Starts the named sound and returns at once; silently does nothing without an output device.
// Pending events run before and after, so the caller may have been deleted meanwhile.
void PlaySoundResource(const QString &name);
// Silences whatever sound is playing, whichever note started it.
void StopSound();
