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

}  // namespace tilvane
