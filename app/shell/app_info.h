#pragma once

// Branding: the optional "AppConfig.ini" beside the executable names the
// application and fills the About box (section "AppInfo").

#include <QString>

namespace tilvane {

// The text of `key`: the built-in default when the file does not exist, else the
// file's value, empty when the file lacks the key. At most 259 characters.
QString GetAppInfo(const QString &key);

// True when "AppConfig.ini" exists.
bool AppConfigExists();

// The built-in default of a key (empty for an unknown key).
QString BuiltInAppInfo(const QString &key);

// Where "AppConfig.ini" is looked for: the executable's directory unless a test
// chose another (an empty text restores the default).
void SetAppConfigDirectory(const QString &directory);
QString AppConfigPath();

// One string of a profile file, read the way such files are read on the original
// platform: section and key compared without regard to case, the value trimmed
// and stripped of one pair of enclosing quotes. Text is UTF-8. Empty when the key
// is absent; `found` tells that apart from an empty value.
QString ReadProfileString(const QString &path, const QString &section, const QString &key,
                          bool *found = nullptr);

}  // namespace tilvane
