#pragma once
#include <QString>
#include <memory>

class QLockFile;

// One running instance per user: a lock file in the user's runtime folder. The lock holds the
// owner's process id, so a lock left by a crashed instance is taken over.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    // True when this process now holds the lock; false when another instance runs.
    bool acquire();
    static QString lockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
};
