// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// This machine's name in the notes' histories and places: 10 characters of [a-z0-9], made once
// per user and machine and kept in $XDG_STATE_HOME/Quadrelo/machine (default ~/.local/state),
// outside the configuration folder, which a sync tool may carry to other machines. Two instances
// on one machine that must count as two machines need two XDG_STATE_HOME. Throws RuntimeError
// when that file is there but is not a file that can be read (a FIFO, a device, far too large).
QString machineId();
