// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP, and the session manager's end-of-session request, into one
// signal on the event loop, so the program can save its notes before it ends.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

signals:
    void ending();

private:
    static void onSignal(int);
    static int s_fds[2];
    QSocketNotifier *m_notifier = nullptr;
};
