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
    // The key counter is 16 bits wide: check before touching the store, so a failure leaves it whole.
    if (records.size() + kept.size() > 32768)
        throw RuntimeError::overflow();
    store.deleteSection(notesSection());
    qint16 counter = 0;
    auto writeOne = [&](const QString &record) {
        store.write(notesSection(), QString::number(counter), record);
        if (counter < 32767)
            ++counter;
    };
    for (const QString &record : records)
        writeOne(record);
    for (const QString &record : kept)
        writeOne(record);
    store.commit();
}

}
