#include "tests/app/support/simulated_reader.h"

#include <QElapsedTimer>

namespace app_test {

SimulatedReader::SimulatedReader(const QStringList &arguments) {
    simulator_.setProcessChannelMode(QProcess::SeparateChannels);
    simulator_.setReadChannel(QProcess::StandardOutput);
    simulator_.start(QStringLiteral(TILVANE_BIN_DIR "/reader-sim"), arguments);
    if (!simulator_.waitForStarted(5000)) {
        why_not_ = QStringLiteral("reader-sim did not start: ") + simulator_.errorString();
        return;
    }
    QElapsedTimer waited;
    waited.start();
    while (!simulator_.canReadLine() && waited.elapsed() < 5000) {
        simulator_.waitForReadyRead(100);
    }
    device_ = QString::fromUtf8(simulator_.readLine()).trimmed();
    if (device_.isEmpty()) {
        why_not_ = QStringLiteral("reader-sim printed no device: ") +
                   QString::fromUtf8(simulator_.readAllStandardError());
        return;
    }
    // The transport reads these when a port is opened.
    qputenv("SELMEK_PORT1", device_.toUtf8());
    if (!library_.Load(QStringLiteral(TILVANE_BIN_DIR "/libDrovik.so"))) {
        why_not_ = QStringLiteral("libDrovik.so did not bind: ") +
                   QString::fromStdString(library_.error());
    }
}

SimulatedReader::~SimulatedReader() {
    if (library_.loaded()) library_.api().rf_ClosePort();
    library_.Unload();
    simulator_.closeWriteChannel();
    if (!simulator_.waitForFinished(3000)) simulator_.kill();
    simulator_.waitForFinished(1000);
}

}  // namespace app_test
