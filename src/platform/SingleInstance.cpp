#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

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

bool SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(lockPath());
    // Never stale by age: only a lock whose owner process is gone is taken over.
    m_lock->setStaleLockTime(0);
    bool held = m_lock->tryLock(0);
    if (!held && m_lock->error() == QLockFile::LockFailedError && m_lock->removeStaleLockFile())
        held = m_lock->tryLock(0);
    if (held)
        listen();
    return held;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left here belongs to a dead instance.
    QLocalServer::removeServer(socketPath());
    if (!m_server->listen(socketPath()))
        return; // a later launch then simply ends, as it would without this
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        // The connection itself is the request; nothing is read from it.
        while (QLocalSocket *peer = m_server->nextPendingConnection())
            peer->deleteLater();
        emit launchedAgain();
    });
}

void SingleInstance::notifyRunning()
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (socket.waitForConnected(1000))
        socket.disconnectFromServer();
}
