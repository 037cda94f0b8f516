#pragma once

// The built tilvane program as a desktop session runs it: offscreen, with a
// settings directory and a runtime directory of the test's own, started, sent
// signals and waited for.

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace app_test {

class TilvaneProgram {
public:
    // Settings under `home`/xdg, the runtime directory `home`/runtime.
    explicit TilvaneProgram(const QString &home);
    ~TilvaneProgram();

    QString settings_file() const;
    void write_settings(const QByteArray &contents) const;
    QByteArray stored_settings() const;

    // Starts the program with these variables added to the environment, and waits
    // until it holds its single-instance lock: by then it has set itself up to
    // end on a signal. False when it does not get there within 10 seconds.
    bool Start(const QProcessEnvironment &extra = {});
    // Sends a signal to the running program.
    void Send(int signal_number);
    // True when the program ended by itself within 10 seconds.
    bool WaitForEnd();

    QProcess &process() { return process_; }

private:
    QString home_;
    QProcess process_;
};

}  // namespace app_test
