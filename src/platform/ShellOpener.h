// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Hands an address (web or mailto:) to the desktop's default program; the result is not used.
class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    virtual void open(const QString &address) = 0;
};

class DesktopShellOpener : public ShellOpener {
public:
    void open(const QString &address) override;
};
