// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// What a launch asks for, read from the command line before any window, store or lock exists.
struct LaunchRequest {
    // The program stops here with this status: --help, --version, or an argument it refuses.
    std::optional<int> exitCode;
    // The tray menu item to carry out ("novo", "mostrar", "esconder" or "encerrar"), by the
    // running instance or by this one once started; empty for a plain start.
    QString command;
    // Started by the session bus for a launcher's call, which follows at once (--dbus-service).
    bool startedByBus = false;
};

LaunchRequest handleCommandLine(int argc, char *argv[]);
