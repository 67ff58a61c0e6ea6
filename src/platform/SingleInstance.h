#pragma once
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// One running instance per user: a lock file in the user's runtime folder. The lock holds the
// owner's process id, so a lock left by a crashed instance is taken over. Beside it, the running
// instance listens on a local socket, so that a second launch can ask it to come forward.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    SingleInstance();
    ~SingleInstance() override;
    // True when this process now holds the lock; false when another instance runs. The holder
    // starts listening for later launches at once, so none of them waits on it.
    bool acquire();
    // From a later launch: tells the running instance that a person started the program again.
    // Gives up quietly after a short while (an instance still starting may not listen yet).
    static void notifyRunning();
    static QString lockPath();
    static QString socketPath();

signals:
    // Another launch of the program asked for this instance.
    void launchedAgain();

private:
    void listen();

    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
