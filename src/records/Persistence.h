// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The store's layout: the application's sections and keys as every version reads them.
namespace Persistence {

inline QString application() { return QStringLiteral("Quadrelo"); }
inline QString configSection() { return QStringLiteral("Config"); }
inline QString notesSection() { return QStringLiteral("Lembretes"); }
// The key the welcome note is planted under on the first start.
inline QString welcomeKey() { return QStringLiteral("999"); }

}
