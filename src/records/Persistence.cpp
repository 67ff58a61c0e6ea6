// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/Persistence.h"
#include "records/NoteRecord.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

namespace Persistence {

QString ReadSettingSeeded(SettingsStore &store, const QString &section, const QString &key,
                          const QString &defaultValue)
{
    QString value = store.read(section, key);
    if (value.isEmpty()) {
        store.write(section, key, defaultValue);
        store.write(notesSection(), welcomeKey(), NoteRecord::welcomeRecord());
        store.commit();
        value = defaultValue;
    }
    return value;
}

void writeNotes(SettingsStore &store, const QStringList &records, const QStringList &kept)
{
    store.deleteSection(notesSection());
    // Keys count on past what a 16-bit counter holds: a store of more notes than that is
    // still saved whole, rather than refused with every note in it.
    int key = 0;
    for (const QStringList *list : {&records, &kept})
        for (const QString &record : *list)
            store.write(notesSection(), QString::number(key++), record);
    store.commit();
}

}
