// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/StoreSync.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QVariant>

class SettingsStore;

// How the notes and their histories are kept in the store file: the records under "Lembretes"
// as every version reads them, beside the groups "Sincronia" (identity and history per record),
// "Lugares" (each machine's place per note) and "Apagados" (deleted notes); and the seal that
// tells a whole file from one a writer has not finished.
namespace StoreFormat {

// Reads the notes from a store's four groups. A note the store holds no identity for (a store an
// older version wrote) gets one derived from its content, the same on every machine, so two
// machines upgrading the same store agree on it. An identity an older version left behind when
// it renumbered or changed the notes is found again by the note's content or, when its note is
// gone, read as a deletion. With `machine`, each record's fields 3, 4, 13, 14 carry that
// machine's place where known. With `known`, a note without an identity whose content is that of
// a known note takes its identity.
StoreSync::Snapshot read(const SettingsStore &store, const QString &machine = QString(),
                         const StoreSync::Snapshot *known = nullptr);

// Writes the store file as text, encoding again only what changed since the file it last wrote:
// each note's lines are kept and reused while the note stays the same, and the settings' groups
// while no setting changes, so a save of many notes costs about what its changed notes cost.
class Writer {
public:
    // The file (unsealed): `settings`, every key but the notes' groups, then the four groups,
    // "Lembretes" keys "0".. in order with the set-aside records after the notes.
    QByteArray bytes(const QMap<QString, QVariant> &settings, const StoreSync::Snapshot &snapshot);

private:
    void encodeSettings(const QMap<QString, QVariant> &settings);
    struct Lines {
        StoreSync::Note note;
        QByteArray record, sync, places; // values, without their keys
        quint64 generation = 0;          // the last file they were in; 0: not encoded yet
    };
    QHash<QString, Lines> m_notes; // by identity
    quint64 m_generation = 0;
    QMap<QString, QVariant> m_settings;
    QByteArray m_settingsText;
    bool m_settingsDone = false;
};

// A whole file as written here: a first line saying that a seal ends it and a last line with the
// checksum of everything before it, both comments to any reader.
QByteArray seal(const QByteArray &bytes);
enum class Seal {
    None,   // written by an older version or another program: taken as it is
    Whole,  // sealed and whole
    Broken, // sealed but cut short or half overwritten: a writer is not done with it
};
Seal sealOf(const QByteArray &bytes);

} // namespace StoreFormat
