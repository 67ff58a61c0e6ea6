// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>

class QFileSystemWatcher;
class QLockFile;

// One running instance per user and per store. Its name on the session bus (the desktop's
// org.freedesktop.Application interface) finds the running instance and takes later launches'
// commands: only this user can own a name on this user's bus, and nothing of it outlives the
// process. A lock in the user's own state folder, named after the store file's real path, keeps
// any other process of this user (one without that bus, say) from writing the same store. It is
// kept out of the store's folder, which a sync tool may carry to other machines.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Acquired,
        AlreadyRunning, // an instance owns the name on this bus: it takes the launch's command
        StoreInUse,     // another process writes the store, beyond the reach of this bus
    };

    explicit SingleInstance(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~SingleInstance() override;
    // Takes the name, then the store's lock; without a bus, the lock alone. Throws RuntimeError
    // when the lock's folder cannot be made this user's own.
    Outcome acquire();
    // While another process holds the store's lock (an instance that has given up its name is
    // still saving, or was killed a moment ago): storeLockChanged() tells when it lets go of it,
    // by removing it or by ending, so acquire() can be tried again without polling.
    void watchStoreLock();
    // Gives up the name and the lock, leaving nothing behind.
    void release();

    enum class Answer {
        Answered,        // the running instance took the command
        Unanswered,      // an instance owns the name but did not answer in time
        NobodyListening, // none runs on this bus, or there is no bus
    };
    // From a later launch: hands the running instance one command word ("" for a plain launch),
    // without starting one. Blocks for at most a few seconds.
    static Answer notifyRunning(const QString &command, const QDBusConnection &bus = QDBusConnection::sessionBus());
    static QString serviceName();
    static QString objectPath();
    static QString storeLockPath();

signals:
    // Another launch asked this instance for a command; empty for a plain launch.
    void launchedAgain(const QString &command);
    // The store's lock, watched since watchStoreLock(), may have been let go.
    void storeLockChanged();

private:
    QDBusConnection m_bus;
    QObject *m_interface = nullptr;
    bool m_named = false;
    std::unique_ptr<QLockFile> m_storeLock;
    std::unique_ptr<QFileSystemWatcher> m_lockWatch;
};
