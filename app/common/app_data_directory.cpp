#include "common/app_data_directory.h"

#include <QStandardPaths>

namespace tilvane {

namespace {

QString &DirectoryOverride() {
    static QString directory;
    return directory;
}

}  // namespace

void SetAppDataDirectory(const QString &directory) {
    DirectoryOverride() = directory;
}

QString AppDataDirectory() {
    const QString &chosen = DirectoryOverride();
    return chosen.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                            : chosen;
}

QString AppDataFile(const QString &file_name) {
    return AppDataDirectory() + QLatin1Char('/') + file_name;
}

}  // namespace tilvane
