// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes read from others, through the store's owner: the input up to a line "----" is the store
// at start, the rest a conflict copy and then the store as another writer left it. Nothing crashes,
// and what is written reads back with the same records. Without libFuzzer: replays the folders given.
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteStore.h"
#include "records/StoreFormat.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_store", *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir folder;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype cut = input.indexOf("\n----\n");
    const QByteArray start = cut < 0 ? input : input.left(cut + 1), later = cut < 0 ? input : input.mid(cut + 6);
    // A start waits seconds for a writer to finish a half-written store: not what is fuzzed.
    if (StoreFormat::sealOf(start) == StoreFormat::Seal::Broken)
        return 0;
    const QString store = folder.filePath("Quadrelo.conf"), copy = folder.filePath("Quadrelo.sync-conflict-1.conf");
    QFile::remove(copy);
    NoteStore notes(store, "fuzz0000");
    try {
        SettingsStore::writeFile(store, start);
        notes.open();
        SettingsStore::writeFile(copy, later);
        notes.takeInChanges();
        SettingsStore::writeFile(store, later);
        notes.save();
    } catch (const RuntimeError &) {
        return 0;
    }
    // What was written reads back whole (else it throws), with the same notes (places aside:
    // without windows, notes new here have none yet) and the same records kept aside.
    NoteStore again(store, "fuzz0000");
    again.open();
    const auto records = [](const StoreSync::Snapshot &s) {
        QStringList list = s.setAside;
        for (const StoreSync::Note &n : s.notes)
            list << StoreSync::withoutPlace(n.record);
        return list;
    };
    if (records(again.notes().known()) != records(notes.notes().known()))
        qFatal("read back otherwise:\n%s", bytesOf(store).constData());
    return 0;
}

#ifndef QUADRELO_LIBFUZZER
int main(int argc, char **argv)
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i)
        for (QDirIterator it(QFile::decodeName(argv[i]), QDir::Files); it.hasNext(); ++inputs) {
            const QByteArray bytes = bytesOf(it.next());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
        }
    return inputs > 0 ? 0 : 1;
}
#endif
