#include "shell/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace tilvane {

QString SingleInstance::DefaultLockPath() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty()) directory = QDir::tempPath();
    return directory + QStringLiteral("/Tilvane.lock");
}

bool SingleInstance::Acquire(const QString &lock_path) {
    lock_ = std::make_unique<QLockFile>(lock_path);
    // Only a dead owner makes a lock stale: a copy that has run for hours still
    // holds it.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return true;
    lock_.reset();
    return false;
}

}  // namespace tilvane
