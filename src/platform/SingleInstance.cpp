// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QSocketNotifier>
#include <QVariantMap>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// How long a later launch waits for the running instance's answer: it answers at once, even
// while it loads its notes.
constexpr int AnswerWaitMs = 3000;

} // namespace

// The desktop's interface for a program launchers reach through the bus: a plain launch, files
// to open (Quadrelo opens none: as a plain launch) and the desktop entry's actions.
class ApplicationInterface : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationInterface(SingleInstance *owner) : QObject(owner), m_owner(owner) {}

private:
    SingleInstance *m_owner;

public slots:
    void Activate(const QVariantMap &) { emit m_owner->launchedAgain(QString()); }
    void Open(const QStringList &, const QVariantMap &) { emit m_owner->launchedAgain(QString()); }
    void ActivateAction(const QString &name, const QVariantList &, const QVariantMap &)
    {
        emit m_owner->launchedAgain(name);
    }
};

SingleInstance::SingleInstance(const QDBusConnection &bus) : m_bus(bus) {}

SingleInstance::~SingleInstance() { release(); }

QString SingleInstance::serviceName() { return QStringLiteral(QUADRELO_APP_ID); }

QString SingleInstance::objectPath()
{
    return QLatin1Char('/') + serviceName().replace(QLatin1Char('.'), QLatin1Char('/'));
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
    // The user's own state folder, in the home rather than a shared temporary folder, where
    // anyone could take a fixed name first.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Quadrelo/store-%1.lock").arg(QLatin1String(hash));
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

// The lock's folder, made this user's own and closed to others; what another user left in it
// (while it was open, or by a link) is no lock of ours. Throws RuntimeError when it cannot be.
void claimLockFolder(const QString &lockPath)
{
    const QString folder = QFileInfo(lockPath).absolutePath();
    QDir().mkpath(folder);
    const QByteArray name = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()
        || ((st.st_mode & 0077) && ::chmod(name.constData(), 0700) != 0))
        throw RuntimeError::fileAccess(folder + QStringLiteral(" não pode ser usado"));
    const QByteArray lock = QFile::encodeName(lockPath);
    if (::lstat(lock.constData(), &st) == 0 && (st.st_uid != ::getuid() || !S_ISREG(st.st_mode))
        && ::unlink(lock.constData()) != 0)
        throw RuntimeError::fileAccess(lockPath + QStringLiteral(" pertence a outro usuário"));
}

} // namespace

SingleInstance::Outcome SingleInstance::acquire()
{
    if (!m_named && m_bus.isConnected()) {
        // The object first, so the call that started this instance through the bus finds it.
        if (!m_interface)
            m_interface = new ApplicationInterface(this);
        m_bus.registerObject(objectPath(), m_interface, QDBusConnection::ExportAllSlots);
        const auto reply = m_bus.interface()->registerService(serviceName(), QDBusConnectionInterface::DontQueueService,
                                                              QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() != QDBusConnectionInterface::ServiceRegistered) {
            m_bus.unregisterObject(objectPath());
            return Outcome::AlreadyRunning;
        }
        m_named = reply.isValid(); // a bus that does not answer: the store's lock alone
    }
    if (m_storeLock)
        return Outcome::Acquired;
    const QString path = storeLockPath();
    claimLockFolder(path);
    auto lock = std::make_unique<QLockFile>(path);
    switch (takeLock(*lock)) {
    case QLockFile::NoError:
        m_storeLock = std::move(lock);
        m_lockWatch.reset();
        return Outcome::Acquired;
    case QLockFile::LockFailedError:
        return Outcome::StoreInUse;
    default:
        throw RuntimeError::fileAccess(path + QStringLiteral(" não pode ser criado"));
    }
}

void SingleInstance::watchStoreLock()
{
    // Made anew each time: the holder may have changed since.
    const QString path = storeLockPath();
    m_lockWatch = std::make_unique<QFileSystemWatcher>(QStringList{QFileInfo(path).absolutePath()});
    connect(m_lockWatch.get(), &QFileSystemWatcher::directoryChanged, this, &SingleInstance::storeLockChanged);
    // A holder that was killed leaves its lock behind, which is taken over once the process has
    // ended: a process descriptor becomes readable then.
    qint64 pid = 0;
    QString host, app;
    if (!QLockFile(path).getLockInfo(&pid, &host, &app) || pid <= 0)
        return;
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0)
        return; // a kernel without it: the folder's changes and the caller's time limit
    auto *ended = new QSocketNotifier(fd, QSocketNotifier::Read, m_lockWatch.get());
    connect(ended, &QSocketNotifier::activated, this, [this, ended] {
        ended->setEnabled(false); // readable from now on: told once
        emit storeLockChanged();
    });
    connect(ended, &QObject::destroyed, [fd] { ::close(fd); });
}

void SingleInstance::release()
{
    m_lockWatch.reset();
    m_storeLock.reset(); // removes the lock file
    if (m_named) {
        m_bus.unregisterObject(objectPath());
        m_bus.interface()->unregisterService(serviceName());
        m_named = false;
    }
}

SingleInstance::Answer SingleInstance::notifyRunning(const QString &command, const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return Answer::NobodyListening;
    const QString interface = QStringLiteral("org.freedesktop.Application");
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName(), objectPath(), interface,
                                                       command.isEmpty() ? QStringLiteral("Activate")
                                                                         : QStringLiteral("ActivateAction"));
    if (command.isEmpty())
        call << QVariantMap();
    else
        call << command << QVariantList() << QVariantMap();
    // Only a running instance: this launch starts one itself when none runs.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, AnswerWaitMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return Answer::Answered;
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return Answer::NobodyListening;
    return Answer::Unanswered;
}

#include "SingleInstance.moc"
