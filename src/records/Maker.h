// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The maker's addresses, used by the welcome note, the e-mail footer and the About dialog.
namespace Maker {
inline QString webAddress() { return QStringLiteral("https://www.borvane.com.br"); }
inline QString webHost() { return QStringLiteral("www.borvane.com.br"); }
inline QString emailAddress() { return QStringLiteral("contato@borvane.com.br"); }
}
