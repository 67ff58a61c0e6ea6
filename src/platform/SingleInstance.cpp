// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"
#include "platform/LocalSocketServer.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/quadrelo.lock");
}

QString SingleInstance::socketPath()
{
    QString path = lockPath();
    path.chop(int(qstrlen("lock")));
    return path + QStringLiteral("socket");
}

QString SingleInstance::storeLockPath()
{
    // Not beside the store: a sync tool carries that folder, and with it another machine's lock
    // and the lock's conflict copies. One lock per store file, however it is reached (a link).
    const QFileInfo store(SettingsStore::defaultPath());
    QDir().mkpath(store.absolutePath());
    const QString folder = QFileInfo(store.absolutePath()).canonicalFilePath();
    const QString canonical =
        store.exists() ? store.canonicalFilePath()
                       : (folder.isEmpty() ? store.absoluteFilePath() : folder + QLatin1Char('/') + store.fileName());
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    // In the temporary folder rather than the runtime one, so processes of one user that see
    // different runtime folders still meet here.
    return QDir::tempPath() + QStringLiteral("/quadrelo-%1/store-%2.lock").arg(::getuid()).arg(QLatin1String(hash));
}

namespace {

// Never stale by age: only a lock whose owner process has ended (a zombie included) is taken over.
QLockFile::LockError takeLock(QLockFile &lock)
{
    lock.setStaleLockTime(0);
    if (lock.tryLock(0))
        return QLockFile::NoError;
    if (lock.error() == QLockFile::LockFailedError && lock.removeStaleLockFile() && lock.tryLock(0))
        return QLockFile::NoError;
    return lock.error();
}

}

SingleInstance::Outcome SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(lockPath());
    const QLockFile::LockError runtime = takeLock(*m_lock);
    if (runtime == QLockFile::LockFailedError)
        return Outcome::AlreadyRunning;
    if (runtime != QLockFile::NoError)
        m_lock.reset(); // an unusable runtime folder: the store's lock still keeps one writer

    const QString lockFolder = QFileInfo(storeLockPath()).absolutePath();
    // Owned by this user and closed to others: a folder planted by someone else could hold a lock
    // that keeps the notes from starting, or take them over.
    QDir().mkdir(lockFolder);
    struct stat st {};
    if (::lstat(QFile::encodeName(lockFolder).constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()
        || ((st.st_mode & 0077) && ::chmod(QFile::encodeName(lockFolder).constData(), 0700) != 0)) {
        m_lock.reset();
        throw RuntimeError::fileAccess(lockFolder + QStringLiteral(" não pode ser usado"));
    }
    m_storeLock = std::make_unique<QLockFile>(storeLockPath());
    switch (takeLock(*m_storeLock)) {
    case QLockFile::NoError:
        break;
    case QLockFile::LockFailedError:
        m_storeLock.reset();
        m_lock.reset();
        return Outcome::AlreadyRunning; // another process writes this store
    default:
        m_storeLock.reset();
        throw RuntimeError::fileAccess(storeLockPath() + QStringLiteral(" não pode ser criado"));
    }
    if (m_lock)
        listen();
    return Outcome::Acquired;
}

SingleInstance::Outcome SingleInstance::acquire(int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    Outcome outcome = acquire();
    while (outcome == Outcome::AlreadyRunning && waited.elapsed() < waitMs) {
        QThread::msleep(100);
        outcome = acquire();
    }
    return outcome;
}

void SingleInstance::listen()
{
    auto server = std::make_unique<LocalSocketServer>();
    // We hold the lock, so a socket file left there belongs to a dead instance.
    if (!server->listen(socketPath()))
        return; // a later launch then simply ends, as it would without this
    // A launch that only connects and closes (as older ones did) sends an empty command.
    connect(server.get(), &LocalSocketServer::lineReceived, this,
            [this](const QByteArray &line) { emit launchedAgain(QString::fromLatin1(line)); });
    m_server = std::move(server);
}

SingleInstance::Answer SingleInstance::notifyRunning(const QString &command)
{
    // A running instance answers at once, even while it loads its notes.
    switch (LocalSocketServer::send(socketPath(), command.toLatin1())) {
    case LocalSocketServer::Reply::Answered:
        return Answer::Answered;
    case LocalSocketServer::Reply::Unanswered:
        return Answer::Unanswered;
    case LocalSocketServer::Reply::Unreachable:
        break;
    }
    return Answer::NobodyListening;
}
