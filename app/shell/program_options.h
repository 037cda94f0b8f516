#pragma once

// The only options tilvane takes, --help and --version: answered on standard
// output before any window or the single-instance lock, so that they work
// without a display and beside a running copy (the man page is made from them).
// Qt's own options (-platform, ...) pass on to QApplication as before.

#include <optional>
#include <ostream>

namespace tilvane {

// The exit status when the command line asked for help or the version (written
// to `out`); nothing when the application is to start.
std::optional<int> AnswerProgramOptions(int argc, const char *const *argv, std::ostream &out);

}  // namespace tilvane
