// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/NoteStore.h"
#include "records/ConflictCopy.h"
#include "records/MachineId.h"
#include "records/NoteRecord.h"
#include "records/Persistence.h"
#include "records/StoreFormat.h"
#include "records/StoreMerge.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "platform/StoreWatcher.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {

QByteArray hashOf(const QByteArray &bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); }

// Where the file at `path` is now: through every link, or, not there yet, where it would be made.
QString realPath(const QString &path)
{
    QString p = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40 && QFileInfo(p).isSymLink() && !QFileInfo::exists(p); ++hops)
        p = QFileInfo(p).symLinkTarget(); // a link to a file not made yet
    if (QFileInfo::exists(p))
        return QFileInfo(p).canonicalFilePath();
    QString rest = QFileInfo(p).fileName();
    QString folder = QFileInfo(p).absolutePath();
    while (!QFileInfo::exists(folder) && folder != QFileInfo(folder).absolutePath()) {
        rest = QFileInfo(folder).fileName() + QLatin1Char('/') + rest;
        folder = QFileInfo(folder).absolutePath();
    }
    return QFileInfo(folder).canonicalFilePath() + QLatin1Char('/') + rest;
}

bool isNoteGroup(const QString &key)
{
    static const QStringList groups{Persistence::notesSection(), QStringLiteral("Sincronia"), QStringLiteral("Lugares"),
                                    QStringLiteral("Apagados")};
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    return slash > 0 && groups.contains(key.left(slash));
}

QMap<QString, QVariant> settingsOf(const SettingsStore &image)
{
    QMap<QString, QVariant> settings;
    for (auto it = image.values().begin(); it != image.values().end(); ++it)
        if (!isNoteGroup(it.key()))
            settings.insert(it.key(), it.value());
    return settings;
}

QString fileKey(const QFileInfo &info)
{
    return QStringLiteral("%1|%2|%3")
        .arg(info.absoluteFilePath())
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

NoteStore::NoteStore(const QString &path, const QString &machine, QObject *parent, std::shared_ptr<FileAccess> files)
    : QObject(parent),
      m_path(path.isEmpty() ? SettingsStore::defaultPath() : path),
      m_target(realPath(m_path)),
      m_machine(machine.isEmpty() ? machineId() : machine),
      m_book(m_machine),
      m_files(files ? std::move(files) : std::make_shared<FileAccess>()),
      m_tell(new QTimer(this))
{
    m_tell->setObjectName(QStringLiteral("storeTell"));
    m_tell->setSingleShot(true);
    m_tell->setInterval(5000);
    connect(m_tell, &QTimer::timeout, this, [this] {
        m_brokenDue = true;
        emit changedElsewhere();
    });
}

NoteStore::~NoteStore() = default;

void NoteStore::open()
{
    const QFileInfo info(m_path);
    if (info.exists() && (!info.isFile() || !info.isReadable()))
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pode ser lido"));
    // Saves replace the file through its folder (a link's target's): either one not writable
    // would make every save fail.
    const QFileInfo folder(QFileInfo(info.canonicalFilePath()).absolutePath());
    if (info.exists() && (!info.isWritable() || !folder.isWritable()))
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pode ser gravado"));
    const QByteArray bytes = contentOf(m_path);
    // Saves go where the file is now, through a link that leads there (dotfiles kept elsewhere);
    // a link changed while the program runs is not written through.
    m_target = realPath(m_path);
    if (StoreFormat::sealOf(bytes) == StoreFormat::Seal::Broken)
        throw StoreIncomplete(RuntimeError::fileAccess(m_path + QStringLiteral(" está incompleto")));
    SettingsStore image;
    try {
        image = SettingsStore::fromBytes(bytes);
    } catch (const FormatError &) {
        throw RuntimeError::fileAccess(m_path + QStringLiteral(" está com formato inválido"));
    }
    written(bytes, false);
    const bool hasNotes = !image.readSection(Persistence::notesSection()).isEmpty();
    if (image.read(Persistence::configSection(), QStringLiteral("Abertura")).isEmpty()) {
        // The first start: the welcome note; a store that has notes (a part of a store a sync
        // tool or a backup brought, a file edited by hand) only gets the setting.
        image.write(Persistence::configSection(), QStringLiteral("Abertura"), QStringLiteral("S"));
        if (!hasNotes)
            image.write(Persistence::notesSection(), Persistence::welcomeKey(), NoteRecord::welcomeRecord());
        const QByteArray seeded = StoreFormat::seal(image.toBytes());
        SettingsStore::writeFile(m_target, seeded);
        written(seeded, true);
    }
    m_settings = settingsOf(image);
    m_book.reset(StoreFormat::read(image, m_machine));
}

QString NoteStore::setting(const QString &section, const QString &key) const
{
    return m_settings.value(section + QLatin1Char('/') + key).toString();
}

void NoteStore::setSetting(const QString &section, const QString &key, const QString &value)
{
    const QString full = section + QLatin1Char('/') + key;
    const QVariant before = m_settings.value(full);
    const bool wasChanged = m_changedSettings.contains(full);
    m_settings.insert(full, value);
    m_changedSettings.insert(full);
    try {
        save();
    } catch (const RuntimeError &) {
        m_settings.insert(full, before);
        if (!wasChanged)
            m_changedSettings.remove(full);
        throw;
    }
}

void NoteStore::save() { sync(true); }

void NoteStore::takeInChanges()
{
    try {
        sync(false);
    } catch (const RuntimeError &) {
        // Told once by the reading; the next change reads it again.
    }
}

void NoteStore::watch()
{
    if (m_watcher)
        return;
    m_watcher = new StoreWatcher(m_path, this);
    m_watcher->setKnown(m_knownStamp);
    connect(m_watcher, &StoreWatcher::storeChanged, this, &NoteStore::changedElsewhere);
    connect(m_watcher, &StoreWatcher::folderChanged, this, &NoteStore::changedElsewhere);
}

void NoteStore::sync(bool alwaysWrite)
{
    if (m_closed)
        return;
    if (m_syncing) {
        // Called again while the windows let events run: done once this one ends.
        m_syncAgain = true;
        return;
    }
    struct Guard {
        bool &syncing;
        ~Guard() { syncing = false; }
    } guard{m_syncing};
    m_syncing = true;
    do {
        m_syncAgain = false;
        syncOnce(alwaysWrite);
        alwaysWrite = false;
    } while (m_syncAgain && !m_closed);
}

QStringList NoteStore::newConflictCopies() const
{
    // A linked store file may have another name where it lives, and its copies that name.
    const QString name = QFileInfo(m_path).fileName();
    const QString canonicalName = QFileInfo(QFileInfo(m_path).canonicalFilePath()).fileName();
    QStringList copies;
    for (const QString &folder : StoreWatcher::foldersOf(m_path))
        for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::System))
            if ((isConflictCopy(info.fileName(), name)
                 || (!canonicalName.isEmpty() && isConflictCopy(info.fileName(), canonicalName)))
                && !m_copiesTaken.contains(fileKey(info)))
                copies << info.absoluteFilePath();
    return copies;
}

void NoteStore::syncOnce(bool alwaysWrite)
{
    // The stamp as last read or written here: no other writer since, and nothing to read.
    QByteArray disk = m_knownBytes;
    if (m_files->stamp(m_path) == m_knownStamp) {
        m_readStamp = m_knownStamp;
    } else {
        try {
            disk = contentOf(m_path);
        } catch (const RuntimeError &) {
            if (!alwaysWrite) // a save tells by its own failure
                tellUnreadable(m_path);
            throw;
        }
    }
    const bool storeChanged = disk != m_knownBytes;
    if (!storeChanged) {
        m_knownStamp = m_readStamp; // touched, not changed
        m_unreadableTold.removeAll(m_path);
    }
    const QStringList copies = newConflictCopies();
    if (!alwaysWrite && !storeChanged && copies.isEmpty())
        return; // nothing from elsewhere, and nothing asked to be saved

    const StoreSync::Snapshot captured = m_book.capture();
    StoreSync::Snapshot ours = captured;
    StoreSync::Snapshot onDisk = m_book.known();
    bool settingsDiffer = false;
    int conflicts = 0;
    bool joined = false;
    auto join = [&](const StoreSync::Snapshot &theirs) {
        const StoreMerge::Result result = StoreMerge::merge(ours, theirs, m_machine);
        ours = result.merged;
        conflicts += result.conflicts;
        joined = true;
    };
    if (storeChanged) {
        // Another writer changed the store since it was last read or written here: joined
        // first, so nothing it wrote is overwritten.
        const std::optional<Read> theirs = readBytes(m_path, disk, !alwaysWrite);
        if (!theirs)
            throw RuntimeError::fileAccess(m_path + QStringLiteral(" não pode ser lido por inteiro"));
        onDisk = theirs->snapshot;
        settingsDiffer = joinSettings(theirs->settings);
        join(theirs->snapshot);
    }
    const QStringList taken = joinCopies(copies, join);
    const bool unsaved = m_unsaved || m_book.hasEdits();
    // From here on the notes are the join, whether or not the file takes it: the windows show it.
    m_book.settle(captured, ours, joined);
    m_copiesTaken << taken;
    if (alwaysWrite || unsaved || settingsDiffer || !m_changedSettings.isEmpty()
        || !StoreSync::sameContent(ours, onDisk)) {
        m_unsaved = true;
        write(ours, alwaysWrite);
        m_unsaved = false;
    } else {
        written(disk, false);
    }
    if (conflicts > 0)
        emit conflictsSettled(conflicts);
}

// Conflict copies a sync tool made beside the store: each joined once, then left as it is; one
// that cannot be read whole is told once and not read again until it changes.
QStringList NoteStore::joinCopies(const QStringList &copies,
                                  const std::function<void(const StoreSync::Snapshot &)> &join)
{
    QStringList taken;
    for (const QString &path : copies) {
        std::optional<QByteArray> bytes;
        try {
            bytes = contentOf(path);
        } catch (const RuntimeError &) {
            tellUnreadable(path);
        }
        const std::optional<Read> copy = bytes ? readBytes(path, *bytes, true) : std::nullopt;
        if (copy)
            join(copy->snapshot);
        if (copy || m_unreadableTold.contains(path))
            taken << fileKey(QFileInfo(path));
    }
    return taken;
}

std::optional<NoteStore::Read> NoteStore::readBytes(const QString &path, const QByteArray &bytes, bool tell)
{
    std::optional<Read> read;
    const bool broken = StoreFormat::sealOf(bytes) == StoreFormat::Seal::Broken;
    if (!broken) {
        try {
            const SettingsStore image = SettingsStore::fromBytes(bytes);
            read = Read{StoreFormat::read(image, m_machine, &m_book.known()), settingsOf(image)};
        } catch (const FormatError &) {
        }
    }
    if (read) {
        m_unreadableTold.removeAll(path);
        return read;
    }
    if (broken && hashOf(bytes) != m_brokenSeen) {
        // A writer not done with it yet (a sync tool writing in place): its next change is
        // expected; if none comes, it is looked at again and told then.
        m_brokenSeen = hashOf(bytes);
        m_brokenDue = false;
        m_tell->start();
    } else if (tell && (!broken || m_brokenDue)) {
        // Unreadable, or half-written all the wait: a file read again sooner (the watcher tells of
        // the file and of its folder) is not told yet.
        tellUnreadable(path);
    }
    return read;
}

QByteArray NoteStore::contentOf(const QString &path)
{
    // Stamped before it is read: a writer in between makes the next look read it again.
    const bool store = path == m_path;
    const FileAccess::Stamp stamp = store ? m_files->stamp(path) : FileAccess::Stamp();
    QByteArray bytes = m_files->read(path).value_or(QByteArray());
    if (store)
        m_readStamp = stamp;
    return bytes;
}

void NoteStore::tellUnreadable(const QString &path)
{
    if (m_unreadableTold.contains(path))
        return;
    m_unreadableTold << path;
    emit unreadable(path);
}

bool NoteStore::joinSettings(const QMap<QString, QVariant> &theirs)
{
    // A setting changed here since the last write stays; otherwise what the other writer has.
    // A setting the other file lacks is kept: a part of a store is no deletion.
    for (auto it = theirs.begin(); it != theirs.end(); ++it)
        if (!m_changedSettings.contains(it.key()))
            m_settings.insert(it.key(), it.value());
    for (auto it = m_settings.begin(); it != m_settings.end(); ++it)
        if (theirs.value(it.key()) != it.value())
            return true;
    return false;
}

void NoteStore::write(const StoreSync::Snapshot &snapshot, bool alwaysWrite)
{
    if (const QString now = realPath(m_path); now != m_target) {
        // A link put in place while the program runs (a sync tool carries links) may lead into
        // another program's file: what it holds was joined, but nothing is written there.
        if (!alwaysWrite && !m_relinkTold) {
            m_relinkTold = true;
            emit relinked(m_path);
        }
        throw RuntimeError::fileAccess(m_path
                                       + QStringLiteral(" passou a levar a %1 com o Quadrelo aberto: "
                                                        "não é gravado até o Quadrelo ser aberto de novo")
                                             .arg(now));
    }
    m_relinkTold = false;
    const QByteArray bytes = StoreFormat::seal(m_writer.bytes(m_settings, snapshot));
    m_files->write(m_target, bytes);
    written(bytes, true);
}

void NoteStore::written(const QByteArray &bytes, bool ours)
{
    m_knownBytes = bytes;
    m_knownStamp = ours ? m_files->stamp(m_path) : m_readStamp;
    if (ours)
        m_changedSettings.clear();
    if (m_watcher)
        m_watcher->setKnown(m_knownStamp);
}
