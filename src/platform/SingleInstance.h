// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <memory>

class LocalSocketServer;
class QLockFile;

// One running instance per user and per store. A lock in the user's runtime folder finds the
// running instance, and a socket beside it lets a later launch hand it a command; a second
// lock, named after the store file's real path in the user's own temporary folder, keeps any
// other process of this machine (one started without that runtime folder, say) from writing the
// same store. It is kept out of the store's folder, which a sync tool may carry to other
// machines. Each lock holds its owner's process id, so a lock left by a crashed instance is taken
// over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Acquired, AlreadyRunning };

    SingleInstance();
    ~SingleInstance() override;
    // Takes both locks; the holder starts listening for later launches at once, so none of them
    // waits on it. A runtime folder that cannot be used only costs that listening. Throws
    // RuntimeError when the store's lock cannot be made.
    Outcome acquire();
    // The same, tried again for up to `waitMs` while the holder is there: for a holder that
    // does not answer, an instance killed a moment ago whose end has not freed its locks yet.
    Outcome acquire(int waitMs);
    // What the running instance made of a command handed to it.
    enum class Answer {
        Answered,        // it read the command and said so
        Unanswered,      // the command went, but no answer came back: an instance killed a
                         // moment ago (its socket still takes connections), or an older one
        NobodyListening, // none listens (none runs, or one still starting)
    };
    // From a later launch: hands the running instance one command word (a short line of
    // letters) and waits a moment for its answer.
    static Answer notifyRunning(const QString &command);
    static QString lockPath();
    static QString socketPath();
    static QString storeLockPath();

signals:
    // Another launch of the program asked this instance for a command; empty from a launcher
    // that only connects and sends nothing.
    void launchedAgain(const QString &command);

private:
    void listen();

    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLockFile> m_storeLock;
    // Closed before the locks go, so it never removes a later holder's socket.
    std::unique_ptr<LocalSocketServer> m_server;
};
