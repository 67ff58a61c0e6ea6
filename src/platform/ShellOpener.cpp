// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ShellOpener.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopShellOpener::open(const QString &address)
{
    // The desktop starts the handler without waiting for it; a missing handler is not reported.
    QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode));
}
