// SPDX-License-Identifier: GPL-3.0-or-later
// A Unix socket that takes one short line per caller and answers "ok", without Qt Network.
#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// Qt Network and the libraries it brings (Kerberos, libproxy) cost some 1.8 MB of memory at start,
// for this one socket.
class LocalSocketServer : public QObject {
    Q_OBJECT
public:
    explicit LocalSocketServer(QObject *parent = nullptr);
    ~LocalSocketServer() override;
    // Listens at `path`, open to this user only. A file already there is removed: the caller
    // makes sure it is a dead server's.
    bool listen(const QString &path);

    enum class Reply {
        Answered,   // the server said "ok"
        Unanswered, // the line went, nothing came back
        Unreachable // nothing listens there, or the line could not be sent
    };
    // Hands the server at `path` one line and waits a moment for its answer. Blocks.
    static Reply send(const QString &path, const QByteArray &line);

signals:
    // A caller's line (at most 32 bytes, trimmed), after its answer went; empty when the caller
    // closed without sending one. A caller silent for 2 s is dropped without either.
    void lineReceived(const QByteArray &line);

private:
    void acceptAll();

    int m_fd = -1;
    QByteArray m_path;
    QSocketNotifier *m_notifier = nullptr;
};
