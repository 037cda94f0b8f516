#pragma once

// One running copy of the application per user: a lock file in the runtime
// directory, held for the life of the process. A lock left behind by a process
// that no longer runs is taken over.

#include <QLockFile>
#include <QString>

#include <memory>

namespace tilvane {

class SingleInstance {
public:
    // The lock file of the application in the user's runtime directory.
    static QString DefaultLockPath();

    // True when this process now holds the lock; false when another running
    // process holds it.
    bool Acquire(const QString &lock_path);

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace tilvane
