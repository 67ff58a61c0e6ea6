// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>

class SettingsStore;

// The store's layout: the application's sections and keys, seeding on first use, and save-all.
namespace Persistence {

inline QString application() { return QStringLiteral("Quadrelo"); }
inline QString configSection() { return QStringLiteral("Config"); }
inline QString notesSection() { return QStringLiteral("Lembretes"); }
inline QString welcomeKey() { return QStringLiteral("999"); }

// Reads a setting; when it is missing or empty, stores the default and plants the welcome note.
QString ReadSettingSeeded(SettingsStore &store, const QString &section, const QString &key,
                          const QString &defaultValue);

// Rebuilds the notes section from `records` (keys "0" upwards in this order), then `kept`
// (records that could not be loaded, written back unchanged under the following keys).
// All or nothing: the file on disk holds either the new section or the old one.
// Throws RuntimeError when the file cannot be written.
void writeNotes(SettingsStore &store, const QStringList &records, const QStringList &kept);

}
