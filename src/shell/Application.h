// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sets up the application, runs the start-up sequence and the event loop; returns the exit code.
int runQuadrelo(int argc, char *argv[]);
