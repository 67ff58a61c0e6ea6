// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/StoreWatcher.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {
// A writer that keeps the file changing longer than this many settle rounds (a slow copy in
// place) is reported anyway; a half-written file is then refused by the reader and read again
// at its next change.
constexpr int MaxSettleRounds = 25;
}

StoreWatcher::StoreWatcher(const QString &storePath, QObject *parent)
    : QObject(parent), m_path(storePath), m_watcher(new QFileSystemWatcher(this)), m_settle(new QTimer(this))
{
    m_settle->setObjectName(QStringLiteral("storeSettle"));
    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_settle, &QTimer::timeout, this, &StoreWatcher::settle);
    auto touched = [this] {
        rewatch(); // a file replaced by a rename is a new file to watch
        m_settle->start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, touched);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, touched);
    rewatch();
}

QStringList StoreWatcher::foldersOf(const QString &path)
{
    QStringList list{QFileInfo(path).absolutePath()};
    const QString canonicalFolder = QFileInfo(list.first()).canonicalFilePath();
    const QString canonicalFile = QFileInfo(path).canonicalFilePath();
    for (const QString &f :
         {canonicalFolder, canonicalFile.isEmpty() ? QString() : QFileInfo(canonicalFile).absolutePath()})
        if (!f.isEmpty() && !list.contains(f))
            list << f;
    return list;
}

void StoreWatcher::rewatch()
{
    QStringList paths = foldersOf(m_path);
    if (QFileInfo::exists(m_path))
        paths << m_path;
    const QString canonical = QFileInfo(m_path).canonicalFilePath();
    if (!canonical.isEmpty() && !paths.contains(canonical))
        paths << canonical;
    QStringList missing;
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    for (const QString &p : paths)
        if (!watched.contains(p) && QFileInfo::exists(p))
            missing << p;
    if (!missing.isEmpty())
        m_watcher->addPaths(missing);
}

void StoreWatcher::settle()
{
    // A writer still at work (a sync tool writing in place): wait until size and time stand still.
    const QFileInfo info(m_path);
    const qint64 size = info.exists() ? info.size() : -1;
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if ((size != m_lastSize || modified != m_lastModified) && ++m_settleRounds < MaxSettleRounds) {
        m_lastSize = size;
        m_lastModified = modified;
        m_settle->start();
        return;
    }
    m_settleRounds = 0;
    emit folderChanged();
    if (FileAccess::stampOf(m_path) != m_known)
        emit storeChanged();
}
