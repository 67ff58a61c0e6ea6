// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

// Reads the command line before any window, store or lock exists. Returns the exit code when the
// program should stop here (--help, --version, or an argument it refuses), nothing to start.
std::optional<int> handleCommandLine(int argc, char *argv[]);
