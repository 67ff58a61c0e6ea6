// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/NoteBook.h"
#include "records/StoreFormat.h"
#include "records/StoreSync.h"
#include "platform/FileAccess.h"
#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class SettingsStore;
class StoreWatcher;
class QTimer;

// The store file is there but a writer (a sync tool at login) has not finished it: it may be whole
// at its next change.
class StoreIncomplete : public RuntimeError {
public:
    explicit StoreIncomplete(const RuntimeError &error) : RuntimeError(error) {}
};

// The one owner of the store file. It reads the file whole, joins what other writers left in it
// and beside it (a sync tool carrying it between machines, a sync tool's conflict copies) with the
// notes of its notes model, tells the model's readers what the join changed, and writes the joined notes back whole
// in one step, so that the file holds exactly what the join decided and nothing else.
class NoteStore : public QObject {
    Q_OBJECT
public:
    // `path` empty: the default per-user store; `machine` empty: this machine's name; `files`
    // empty: the disk itself.
    explicit NoteStore(const QString &path = QString(), const QString &machine = QString(), QObject *parent = nullptr,
                       std::shared_ptr<FileAccess> files = nullptr);
    ~NoteStore() override;

    QString path() const { return m_path; }
    QString machine() const { return m_machine; }

    // Reads the store at start. The first start (no note record and no "Abertura") gets the
    // welcome note; a store without "Abertura" gets "S". Throws RuntimeError when the file
    // exists but cannot be read whole or written, StoreIncomplete when a writer has not finished
    // it. (One a writer leaves half written while the program runs is told once it has stayed so
    // for the timer "storeTell".)
    void open();
    // The notes: the windows write their changes into it, and learn from it what a join changed.
    NoteBook &notes() { return m_book; }
    const NoteBook &notes() const { return m_book; }
    QString setting(const QString &section, const QString &key) const;
    // Changes a setting and saves at once; throws RuntimeError.
    void setSetting(const QString &section, const QString &key, const QString &value);

    // Save-all: joins what others wrote since with the notes' edits, and writes the store.
    // Throws RuntimeError, leaving the file as it was.
    void save();
    // Joins what others wrote since, if anything, and writes the store only when it lacks
    // something of the join. A file that cannot be read whole is told by unreadable() and read
    // again at its next change.
    void takeInChanges();
    // Watches the file and its folder; changedElsewhere() then tells of another writer.
    void watch();
    // Nothing is read or written any more: the windows are going away.
    void close() { m_closed = true; }

signals:
    void changedElsewhere();
    // A file from elsewhere (the store, a conflict copy) cannot be read whole; told once per
    // file until it reads again.
    void unreadable(const QString &path);
    // The store became a link, or its link leads elsewhere, since the program started: what it
    // leads to is joined, but nothing is written through it. Told once.
    void relinked(const QString &path);
    // Notes changed here and elsewhere at once; each lost text became a note of its own.
    void conflictsSettled(int count);

private:
    struct Read {
        StoreSync::Snapshot snapshot;
        QMap<QString, QVariant> settings;
    };
    void sync(bool alwaysWrite);
    void syncOnce(bool alwaysWrite);
    std::optional<Read> readBytes(const QString &path, const QByteArray &bytes, bool tell);
    // The keys (path, size, time) of the copies joined or told.
    QStringList joinCopies(const QStringList &copies, const std::function<void(const StoreSync::Snapshot &)> &join);
    QStringList newConflictCopies() const;
    bool joinSettings(const QMap<QString, QVariant> &theirs);
    // Throws RuntimeError; `alwaysWrite`: a save, which tells by its own failure.
    void write(const StoreSync::Snapshot &snapshot, bool alwaysWrite);
    void tellUnreadable(const QString &path);
    // The file's bytes; empty when it is missing. Throws when it is there but cannot be read, or
    // is not what a store can be (see OutsideFile).
    QByteArray contentOf(const QString &path);
    // The file now holds `bytes`, which this store wrote (`ours`) or read and found complete.
    void written(const QByteArray &bytes, bool ours);

    QString m_path;
    QString m_target; // where the file was at start, through any links: the one written
    QString m_machine;
    NoteBook m_book;
    bool m_unsaved = false; // the file lacks something of the notes: a write failed after a join
    std::shared_ptr<FileAccess> m_files;
    // The file as last read or written here: its stamp tells it again without reading it; its
    // bytes tell a file touched but not changed.
    FileAccess::Stamp m_knownStamp;
    QByteArray m_knownBytes;
    FileAccess::Stamp m_readStamp; // taken before the store's last read
    StoreFormat::Writer m_writer;
    // Every key but the notes' own groups ("Config"/"Abertura", and any a newer version adds).
    QMap<QString, QVariant> m_settings;
    QSet<QString> m_changedSettings; // changed here since the last write
    StoreWatcher *m_watcher = nullptr;
    QStringList m_copiesTaken; // conflict copies joined or told already: path, size and time
    QStringList m_unreadableTold;
    QByteArray m_brokenSeen;  // a half-written file seen once: told if it is still so later
    bool m_brokenDue = false; // and it has stayed so all the wait
    QTimer *m_tell;
    bool m_relinkTold = false;
    bool m_syncing = false;
    bool m_syncAgain = false;
    bool m_closed = false;
};
