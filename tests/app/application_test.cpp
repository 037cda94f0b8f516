// Start-up and end of the application object: one copy per user, the library
// bound or the start stopped, the settings stored at the end.

#include <gtest/gtest.h>

#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSettings>

#include <csignal>
#include <string>
#include <vector>

#include "shell/application.h"
#include "shell/main_frame.h"
#include "shell/single_instance.h"
#include "app_test.h"
#include "tilvane_program.h"

namespace {

using tilvane::CPranixApp;

class ApplicationTest : public app_test::AppTest {
protected:
    tilvane::StartOptions options(const QString &library) const {
        tilvane::StartOptions options;
        options.library_path = library;
        options.lock_path = config_directory() + QStringLiteral("/Tilvane.lock");
        options.screen_width = [] { return 1280; };
        options.show_window = false;
        return options;
    }
    QString missing_library() const { return config_directory() + "/none/libDrovik.so"; }
    QByteArray stored() const {
        QFile file(settings_file());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(ApplicationTest, ASecondCopyEndsSilentlyAndLeavesTheSettingsAlone) {
    write_settings("[General]\nCurCard=6\nComPort=2\nBaudRate=3\n");
    tilvane::SingleInstance first;
    ASSERT_TRUE(first.Acquire(options({}).lock_path));

    CPranixApp second(options(missing_library()));
    EXPECT_FALSE(second.InitInstance());
    EXPECT_EQ(second.start(), CPranixApp::Start::AlreadyRunning);
    EXPECT_EQ(second.ExitInstance(), 0);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(stored(), QByteArray("[General]\nCurCard=6\nComPort=2\nBaudRate=3\n"));
}

TEST_F(ApplicationTest, TheProgramItselfRefusesASecondStart) {
    // The running copy's lock, where the program looks for it.
    const QString runtime = config_directory() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QLockFile running(runtime + QStringLiteral("/Tilvane.lock"));
    ASSERT_TRUE(running.tryLock(0));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime);
    environment.insert("XDG_CONFIG_HOME", config_directory() + QStringLiteral("/xdg"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TILVANE_BIN_DIR "/tilvane"), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(config_directory() + "/xdg/Velomar/IORFCard.conf"));
}

// The signals a session's end sends, in order (logind's sends both at once).
using Signals = std::vector<int>;

class ProgramEndedBySignal : public ApplicationTest,
                             public ::testing::WithParamInterface<Signals> {};

// A session's end while the start-up box of a failed connect is still open: the
// program ends as when its window is closed, the settings it holds stored.
TEST_P(ProgramEndedBySignal, StoresItsSettingsAsClosingTheWindowDoes) {
    app_test::TilvaneProgram program(config_directory());
    // Port 9 is out of range: the program holds port 0 (and fails to connect),
    // and the baud index falls back to 1. Only a write brings those to the file.
    program.write_settings("[General]\nCurCard=6\nComPort=9\nBaudRate=x\n");
    ASSERT_TRUE(program.Start());
    for (const int signal_number : GetParam()) program.Send(signal_number);
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process().exitCode(), 0);
    QSettings stored(program.settings_file(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("CurCard").toString(), QStringLiteral("6"));
    EXPECT_EQ(stored.value("ComPort").toString(), QStringLiteral("0"));
    EXPECT_EQ(stored.value("BaudRate").toString(), QStringLiteral("1"));
}

// --help and --version answer without a display, beside a running copy that
// holds the single-instance lock: before any window and before the lock.
TEST_F(ApplicationTest, HelpAndVersionAnswerBeforeAnyWindowOrLock) {
    app_test::TilvaneProgram running(config_directory());
    ASSERT_TRUE(running.Start());
    const struct {
        const char *option;
        QString starts;
    } rows[] = {
        {"--help", QStringLiteral("Usage: tilvane ")},
        {"--version", QStringLiteral("tilvane " TILVANE_VERSION "\n")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.option);
        QProcess asked;
        QProcessEnvironment environment = running.process().processEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            environment.remove(QString::fromLatin1(name));
        }
        asked.setProcessEnvironment(environment);
        asked.start(QStringLiteral(TILVANE_BIN_DIR "/tilvane"), {QString::fromLatin1(row.option)});
        ASSERT_TRUE(asked.waitForFinished(10000));
        EXPECT_EQ(asked.exitCode(), 0) << asked.readAllStandardError().toStdString();
        EXPECT_TRUE(QString::fromUtf8(asked.readAllStandardOutput()).startsWith(row.starts));
    }
    running.Send(SIGTERM);
    EXPECT_TRUE(running.WaitForEnd());
}

INSTANTIATE_TEST_SUITE_P(Sessions, ProgramEndedBySignal,
                         ::testing::Values(Signals{SIGTERM}, Signals{SIGHUP},
                                           Signals{SIGTERM, SIGHUP}),
                         [](const auto &info) {
                             std::string name;
                             for (const int signal_number : info.param) {
                                 name += signal_number == SIGTERM ? "SIGTERM" : "SIGHUP";
                             }
                             return name;
                         });

TEST_F(ApplicationTest, ALockLeftByADeadProcessIsTakenOver) {
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted(5000));
    const qint64 dead_pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(5000));
    QFile lock(options({}).lock_path);
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(dead_pid) + "\nTilvane\n" + QSysInfo::machineHostName().toUtf8() +
               "\n");
    lock.close();

    CPranixApp app(options(missing_library()));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.start(), CPranixApp::Start::LibraryFailed);  // got past the lock
}

TEST_F(ApplicationTest, WithoutTheLibraryTheStartStopsWithItsMessage) {
    CPranixApp app(options(missing_library()));
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Load Drovik.dll failed !"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Tilvane"));
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(boxes()[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(app.main_frame(), nullptr);
    EXPECT_EQ(app.ExitInstance(), 1);
    // The settings just read (a fresh machine's defaults) are stored.
    QSettings raw(settings_file(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("CurCard").toString(), QStringLiteral("1"));
    EXPECT_EQ(raw.value("ComPort").toString(), QStringLiteral("0"));
    EXPECT_EQ(raw.value("BaudRate").toString(), QStringLiteral("1"));
}

TEST_F(ApplicationTest, ALibraryLackingAnOrdinalStopsTheStart) {
    CPranixApp app(options(QStringLiteral(TILVANE_LACKING_21_LIBRARY)));
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(only_box_text(), QStringLiteral("Load Drovik.dll failed !"));
    EXPECT_TRUE(app.library().loaded());  // until the end frees it
    app.ExitInstance();
    EXPECT_FALSE(app.library().loaded());
}

TEST_F(ApplicationTest, AFreshMachineStartsOnMifareStdAndFailsToConnect) {
    auto start = options(QStringLiteral(TILVANE_BIN_DIR "/libDrovik.so"));
    start.show_window = true;
    CPranixApp app(start);
    ASSERT_TRUE(app.InitInstance());
    ASSERT_NE(app.main_frame(), nullptr);
    EXPECT_TRUE(app.main_frame()->isMaximized());
    EXPECT_EQ(app.main_frame()->windowTitle(), QStringLiteral("Tilvane  -  MifareStd"));
    EXPECT_EQ(app.main_frame()->view()->page()->objectName(), QStringLiteral("MifareClassicPage"));
    EXPECT_EQ(only_box_text(), QStringLiteral("Connect device failed!"));
    EXPECT_FALSE(app.state().connected());

    app.state().card_family = 7;
    app.state().com_port = 3;
    EXPECT_EQ(app.ExitInstance(), 0);
    QSettings raw(settings_file(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("CurCard").toString(), QStringLiteral("7"));
    EXPECT_EQ(raw.value("ComPort").toString(), QStringLiteral("3"));
}

}  // namespace
