// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SessionEnd.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <utility>
#include <sys/socket.h>
#include <unistd.h>

int SessionEnd::s_fds[2] = {-1, -1};

SessionEnd::SessionEnd(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) == 0) {
        m_notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            char byte;
            if (::read(s_fds[1], &byte, 1) > 0)
                emit ending();
        });
        struct sigaction action = {};
        action.sa_handler = &SessionEnd::onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &action, nullptr);
    }
    // The session manager asks before logging out: save, without asking to cancel.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(
            app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { emit saveRequested(); },
            Qt::DirectConnection);
    }
}

SessionEnd::~SessionEnd()
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::signal(sig, SIG_DFL);
    delete m_notifier;
    for (int &fd : s_fds)
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
}

void SessionEnd::onSignal(int)
{
    // Only wake the event loop: nothing else is safe inside a signal handler.
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(s_fds[0], &byte, 1);
}
