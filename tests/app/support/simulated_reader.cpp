#include "simulated_reader.h"

#include "transport_environment.h"

namespace app_test {

SimulatedReader::SimulatedReader(const std::vector<std::string> &arguments) {
    std::string error;
    if (!simulator_.start(TILVANE_BIN_DIR "/reader-sim", arguments, error)) {
        why_not_ = QString::fromStdString(error);
        return;
    }
    test_support::use_device(1, simulator_.device());
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
