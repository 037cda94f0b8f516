#include "tilvane_program.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

namespace app_test {

TilvaneProgram::TilvaneProgram(const QString &home) : home_(home) {}

TilvaneProgram::~TilvaneProgram() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString TilvaneProgram::settings_file() const {
    return home_ + QStringLiteral("/xdg/Velomar/IORFCard.conf");
}

void TilvaneProgram::write_settings(const QByteArray &contents) const {
    QFile file(settings_file());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray TilvaneProgram::stored_settings() const {
    QFile file(settings_file());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TilvaneProgram::Start(const QProcessEnvironment &extra) {
    const QString runtime = home_ + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime);
    environment.insert("XDG_CONFIG_HOME", home_ + QStringLiteral("/xdg"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert(extra);
    process_.setProcessEnvironment(environment);
    process_.start(QStringLiteral(TILVANE_BIN_DIR "/tilvane"), {});
    if (!process_.waitForStarted(10000)) return false;
    const QString lock = runtime + QStringLiteral("/Tilvane.lock");
    const QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(lock)) {
        if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
        QThread::msleep(10);
    }
    return true;
}

void TilvaneProgram::Send(int signal_number) {
    ::kill(static_cast<pid_t>(process_.processId()), signal_number);
}

bool TilvaneProgram::WaitForEnd() { return process_.waitForFinished(10000); }

}  // namespace app_test
