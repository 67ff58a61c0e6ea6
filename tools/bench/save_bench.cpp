// SPDX-License-Identifier: GPL-3.0-or-later
// Times one save-all of the store's owner with 100 and 1,000 notes (one note's text changed
// before each save), as a person's save or the automatic one runs it: the notes' edits captured,
// the file looked at for other writers' changes, the whole file written and synced.
#include "records/NoteRecord.h"
#include "records/NoteStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int count : {100, 1000}) {
        QTemporaryDir folder(QDir::currentPath() + QStringLiteral("/save-bench-XXXXXX"));
        NoteStore store(folder.filePath(QStringLiteral("Quadrelo.conf")), QStringLiteral("benchmark1"));
        store.open();
        QStringList ids;
        for (int i = 0; i < count; ++i) {
            QStringList f = NoteRecord::split(NoteRecord::newNoteRecord(QDateTime::currentDateTime()));
            f[NoteRecord::Texto] = QStringLiteral("nota %1 com algum texto de exemplo, várias palavras aqui").arg(i);
            ids << store.notes().add(f.join(QChar(NoteRecord::FieldSeparator)));
        }
        store.save();
        QList<double> ms;
        for (int round = 0; round < 15; ++round) {
            // As a window writes its change into the notes.
            QString record;
            for (const StoreSync::Note &n : store.notes().known().notes)
                if (n.id == ids[round])
                    record = n.record;
            store.notes().update(ids[round], record.replace(QStringLiteral("nota"), QStringLiteral("Nota")));
            QElapsedTimer timer;
            timer.start();
            store.save();
            ms << timer.nsecsElapsed() / 1e6;
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%d notes: one save %.1f ms (median of %lld; %.1f-%.1f)\n", count, ms[ms.size() / 2],
                    static_cast<long long>(ms.size()), ms.first(), ms.last());
    }
    return 0;
}
