// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// Whether a file beside the store is a copy a sync tool made of it after a conflict
// ("Quadrelo.sync-conflict-20261207-101010-ABCDEFG.conf", "Quadrelo (conflicted copy ...).conf",
// "Quadrelo (Someone's conflicted copy 2026-12-07).conf"); never the store, its lock or a sync
// tool's temporary file. `storeName` is the store's own file name.
bool isConflictCopy(const QString &fileName, const QString &storeName = QStringLiteral("Quadrelo.conf"));
