// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LocalSocketServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A line is one short word; a caller that has not sent it by then is dropped.
constexpr qsizetype MaxLineBytes = 32;
constexpr int LineWaitMs = 2000;
// How long a caller waits to be let in (the server's queue may be full), then for the answer.
constexpr int ConnectWaitMs = 1000;
constexpr int AnswerWaitMs = 2000;

bool addressOf(const QString &path, sockaddr_un &address)
{
    const QByteArray name = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address.sun_path)
        return false; // too long for a socket's name
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return true;
}

// One caller, until its line is in; deleting it closes the connection.
class Peer : public QObject {
public:
    Peer(int socket, QObject *parent) : QObject(parent), fd(socket), notifier(socket, QSocketNotifier::Read) {}
    ~Peer() override { close(); }
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    // Reads what has come: true once the line is complete or the caller has gone.
    bool readSome()
    {
        char chunk[64];
        for (;;) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            line.append(chunk, n);
            if (line.contains('\n') || line.size() > MaxLineBytes)
                return true;
        }
    }
    void close()
    {
        if (fd < 0)
            return;
        notifier.setEnabled(false);
        ::close(fd);
        fd = -1;
    }

    int fd;
    QSocketNotifier notifier;
    QByteArray line;
};

}

LocalSocketServer::LocalSocketServer(QObject *parent) : QObject(parent) {}

LocalSocketServer::~LocalSocketServer()
{
    if (m_fd < 0)
        return;
    delete m_notifier;
    ::close(m_fd);
    ::unlink(m_path.constData()); // as a server that ends leaves no socket behind
}

bool LocalSocketServer::listen(const QString &path)
{
    sockaddr_un address;
    if (m_fd >= 0 || !addressOf(path, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    ::unlink(address.sun_path);
    // Only this user may connect: the socket's mode, set before bind, is the file's.
    const bool bound =
        ::fchmod(fd, 0600) == 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (!bound || ::listen(fd, SOMAXCONN) != 0) {
        if (bound)
            ::unlink(address.sun_path);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = address.sun_path;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LocalSocketServer::acceptAll);
    return true;
}

void LocalSocketServer::acceptAll()
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0 && (errno == EINTR || errno == ECONNABORTED))
            continue;
        if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
            // Out of descriptors: the caller waits in the queue; look again in a moment, not at once.
            m_notifier->setEnabled(false);
            QTimer::singleShot(1000, m_notifier, [notifier = m_notifier] { notifier->setEnabled(true); });
        }
        if (fd < 0)
            return;
        auto *peer = new Peer(fd, this);
        connect(&peer->notifier, &QSocketNotifier::activated, this, [this, peer] {
            if (!peer->readSome())
                return;
            QByteArray line = peer->line.left(MaxLineBytes);
            line.truncate(line.contains('\n') ? line.indexOf('\n') : line.size());
            ::send(peer->fd, "ok\n", 3, MSG_NOSIGNAL); // the caller knows it was heard, and ends
            peer->close();
            peer->deleteLater();
            emit lineReceived(line.trimmed());
        });
        QTimer::singleShot(LineWaitMs, peer, &QObject::deleteLater);
    }
}

LocalSocketServer::Reply LocalSocketServer::send(const QString &path, const QByteArray &line)
{
    sockaddr_un address;
    if (!addressOf(path, address))
        return Reply::Unreachable;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Reply::Unreachable;
    const auto closed = qScopeGuard([fd] { ::close(fd); });
    // Bounds the connect (a full queue) and the writing alike.
    const timeval wait{ConnectWaitMs / 1000, suseconds_t(ConnectWaitMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return Reply::Unreachable;
    const QByteArray data = line + '\n';
    for (qsizetype sent = 0; sent < data.size();) {
        // MSG_NOSIGNAL: a server gone meanwhile must not end this launch by SIGPIPE.
        const ssize_t n = ::send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Reply::Unreachable;
        sent += n;
    }
    QByteArray answer;
    const QDeadlineTimer deadline(AnswerWaitMs);
    while (!answer.contains('\n')) {
        pollfd in{fd, POLLIN, 0};
        const int ready = ::poll(&in, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        char chunk[64];
        const ssize_t n = ready > 0 ? ::recv(fd, chunk, sizeof chunk, 0) : 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(chunk, n);
    }
    return answer.startsWith("ok") ? Reply::Answered : Reply::Unanswered;
}
