#pragma once

// Where the application keeps the files it writes itself (the command histories):
// the user's application data directory, since an installed program's own
// directory is not writable. Tests choose a directory of their own.

#include <QString>

namespace tilvane {

// The user's application data directory unless a test chose another (an empty
// text restores the default).
void SetAppDataDirectory(const QString &directory);
QString AppDataDirectory();

// The path of `file_name` in that directory.
QString AppDataFile(const QString &file_name);

}  // namespace tilvane
