// The application's two speed goals, offscreen: from start to the first page on
// show (under 300 ms), and a switch to another family's page (under 30 ms, the
// pages with the most controls too).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "common/message_box.h"
#include "shell/page_factory.h"
#include "common/app_state.h"
#include "shell/application.h"
#include "shell/card_families.h"
#include "shell/main_frame.h"
#include "shell/reader_library.h"

namespace {

constexpr auto kLibrary = TILVANE_BIN_DIR "/libDrovik.so";

// Message boxes (the failed start-up connect: no port is stored) answer at once.
void AnswerMessageBoxes() {
    tilvane::SetMessageBoxHook([](const tilvane::MessageBoxRequest &) { return QMessageBox::Ok; });
}

// The whole start: lock, settings, library loaded and bound, main window built
// and shown maximized, the Mifare Classic page on show and painted.
void BM_StartupToFirstPage(benchmark::State &state) {
    QTemporaryDir directory;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, directory.path());
    AnswerMessageBoxes();
    for (auto _ : state) {
        tilvane::StartOptions options;
        options.library_path = QString::fromLatin1(kLibrary);
        options.lock_path = directory.path() + QStringLiteral("/Tilvane.lock");
        options.screen_width = [] { return 1280; };
        tilvane::CPranixApp app(options);
        if (!app.InitInstance()) {
            state.SkipWithError("the start failed");
            break;
        }
        QWidget *page = app.main_frame()->view()->page();
        QApplication::processEvents();
        benchmark::DoNotOptimize(page->isVisible());

        state.PauseTiming();
        app.ExitInstance();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstPage)->Unit(benchmark::kMillisecond)->Iterations(30);

// A switch from another family to the page of the family given as argument: the
// old page destroyed, the new one built, placed, shown and painted.
void BM_SwitchToPage(benchmark::State &state) {
    const int family = static_cast<int>(state.range(0));
    state.SetLabel(tilvane::kCardFamilies[static_cast<std::size_t>(family)].page_name);
    AnswerMessageBoxes();
    tilvane::ReaderLibrary library;
    if (!library.Load(QString::fromLatin1(kLibrary))) {
        state.SkipWithError("libDrovik.so did not bind");
        return;
    }
    tilvane::AppState app_state;
    app_state.api = library.api();
    app_state.com_port = 0;
    app_state.card_family = tilvane::kSam;
    tilvane::CMainFrame frame(app_state, tilvane::CardPageFactory(app_state), [] { return 1280; });
    frame.showMaximized();
    QApplication::processEvents();
    for (auto _ : state) {
        frame.ChooseFamily(family);
        QApplication::processEvents();
        benchmark::DoNotOptimize(frame.view()->page());

        state.PauseTiming();
        frame.ChooseFamily(tilvane::kSam);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    frame.close();
}
BENCHMARK(BM_SwitchToPage)
    ->Unit(benchmark::kMillisecond)
    ->Arg(tilvane::kMifareStd)
    ->Arg(tilvane::kUltralight)
    ->Arg(tilvane::kAt88rf020)
    ->Arg(tilvane::kSr176)
    ->Arg(tilvane::kSrix4k)     // 256 controls in its grid
    ->Arg(tilvane::kIso15693);  // 192

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
