#include "shell/app_info.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace tilvane {

namespace {

constexpr int kMaxInfoLength = 259;

QString &ConfigDirectoryOverride() {
    static QString directory;
    return directory;
}

struct Default {
    const char *key;
    const char *text;
};

constexpr std::array<Default, 7> kDefaults = {{
    {"SoftwareName", "Tilvane"},
    {"Version", "Tilvane V1.1"},
    {"AboutTitle", "About Tilvane"},
    {"AboutVersion", "Tilvane V1.1"},
    {"AboutLTD", "Velomar Card Systems Ltd."},
    {"HTTP", "https://www.velomar.example"},
    {"COPYRIGHT", "Copyright (C) 2024 Velomar Card Systems Ltd."},
}};

}  // namespace

void SetAppConfigDirectory(const QString &directory) {
    ConfigDirectoryOverride() = directory;
}

QString AppConfigPath() {
    const QString &chosen = ConfigDirectoryOverride();
    const QString directory = chosen.isEmpty() ? QCoreApplication::applicationDirPath() : chosen;
    return directory + QStringLiteral("/AppConfig.ini");
}

bool AppConfigExists() {
    return QFileInfo::exists(AppConfigPath());
}

QString BuiltInAppInfo(const QString &key) {
    for (const Default &entry : kDefaults) {
        if (key == QLatin1String(entry.key)) return QString::fromUtf8(entry.text);
    }
    return {};
}

namespace {

// One string of a profile file, read the way such files are read on the original
// platform: section and key compared without regard to case, the value trimmed
// and stripped of one pair of enclosing quotes. Text is UTF-8. Empty when the key
// is absent.
QString ReadProfileString(const QString &path, const QString &section, const QString &key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

    bool in_section = false;
    const auto lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            const auto close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            in_section = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!in_section) continue;
        const auto equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) continue;
        if (line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0) continue;
        QString value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
            value.back() == value.front()) {
            value = value.mid(1, value.size() - 2);
        }
        return value;
    }
    return {};
}

}  // namespace

QString GetAppInfo(const QString &key) {
    const QString path = AppConfigPath();
    if (!QFileInfo::exists(path)) return BuiltInAppInfo(key);
    return ReadProfileString(path, QStringLiteral("AppInfo"), key).left(kMaxInfoLength);
}

}  // namespace tilvane
