#include "tests/app/support/simulated_reader.h"

#include <cstdlib>

namespace app_test {

SimulatedReader::SimulatedReader(const std::vector<std::string> &arguments) {
    std::string error;
    if (!simulator_.start(TILVANE_BIN_DIR "/reader-sim", arguments, error)) {
        why_not_ = QString::fromStdString(error);
        return;
    }
    // The transport reads this when a port is opened.
    setenv("SELMEK_PORT1", simulator_.device().c_str(), 1);
    if (!library_.Load(QStringLiteral(TILVANE_BIN_DIR "/libDrovik.so"))) {
        why_not_ = QStringLiteral("libDrovik.so did not bind: ") +
                   QString::fromStdString(library_.error());
    }
}

SimulatedReader::~SimulatedReader() {
    if (library_.loaded()) library_.api().rf_ClosePort();
    library_.Unload();
}

}  // namespace app_test
