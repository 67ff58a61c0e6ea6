// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into one signal on the event loop, so the program can save its
// notes before it ends, and passes on the session manager's request to save before a logout.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

signals:
    // A signal asks the program to end.
    void ending();
    // The session manager asks for everything to be saved: a logout is coming, which it may
    // still cancel; if it goes on, the session manager then tells the program to end.
    void saveRequested();

private:
    static void onSignal(int);
    static int s_fds[2];
    QSocketNotifier *m_notifier = nullptr;
};
