// A whole Mifare Classic 1K read through the card workbench, as an operator
// starts it (the window offscreen, the work on its worker thread), against
// reader-sim --realtime at 9600 and 115200 baud. Each read's time is set against
// its floor: the wire floor of the same frames the workbench sends (line_floor.h,
// as bench_realtime counts it), plus the pauses of the field cycle that starts
// every read. The goal: at most 1.05 times the floor.
//
// Meanwhile a 1 ms timer on the GUI thread measures how long the event loop is
// held: progress updates may hold it 16 ms at most. The taking of the finished
// dump into the window is measured apart.
//
//   bench_workbench_read [ROUNDS]    (5 by default)

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/app_state.h"
#include "common/baud_table.h"
#include "common/message_box.h"
#include "line_floor.h"
#include "protocol/card_protocols.h"
#include "protocol/field_pauses.h"
#include "shell/reader_library.h"
#include "sim_process.h"
#include "transport_environment.h"
#include "workbench/card_panel.h"
#include "workbench/dump_document.h"
#include "workbench/workbench_window.h"

namespace {

using bench::Step;
using protocol::Command;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr double kGoalRatio = 1.05;
constexpr double kGoalStallMs = 16.0;
constexpr unsigned kRates[] = {9600, 115200};

// What the workbench sends for a factory-fresh 1K card: the field cycle, the
// select, then each sector opened with key A (the first key tried, FF..FF),
// its trailer read for the access bits, then its three data blocks. Key B is
// readable data on such a card, so it is not searched for.
std::vector<Step> WorkbenchReadSteps() {
    std::vector<Step> steps = {
        {Command::Antenna, {0}},       {Command::SetProtocol, {protocol::kProtocolTypeA}},
        {Command::Antenna, {1}},       {Command::RequestA, {protocol::kRequestAll}},
        {Command::Anticollision, {4}}, {Command::SelectA, {0x5A, 0x3C, 0x71, 0xE2}}};
    for (std::uint8_t sector = 0; sector < 16; ++sector) {
        const auto first = static_cast<std::uint8_t>(sector * 4);
        steps.push_back({Command::AuthenticateGivenKey,
                         {protocol::kAuthenticateKeyA, first, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}});
        steps.push_back({Command::ReadBlock, {static_cast<std::uint8_t>(first + 3)}});
        for (std::uint8_t block = first; block < first + 3; ++block) {
            steps.push_back({Command::ReadBlock, {block}});
        }
    }
    return steps;
}

// The GUI thread's own processor time.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The longest gaps between the ticks of a 1 ms timer: the longest time the GUI
// thread was held, apart for the gap in which `mark` fell. A gap is held either
// by work on the thread or by the system running something else; the thread's
// processor time within the gap tells the work apart.
class StallMeter : public QObject {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    }
    void Start() {
        longest_ = marked_ = busiest_ = 0;
        mark_.reset();
        last_ = Clock::now();
        last_cpu_ = ThreadCpuMs();
        timer_.start();
    }
    void Mark() { mark_ = Clock::now(); }
    void Stop() {
        Tick();
        timer_.stop();
    }
    double longest_ms() const { return longest_; }
    double marked_ms() const { return marked_; }
    // The most processor time the thread spent within one unmarked gap.
    double busiest_ms() const { return busiest_; }

private:
    void Tick() {
        const auto now = Clock::now();
        const double cpu = ThreadCpuMs();
        // A tick is due a millisecond after the last: what is beyond is a stall.
        const double stall = std::max(0.0, Milliseconds(now - last_).count() - 1.0);
        if (mark_ && *mark_ >= last_ && *mark_ <= now) {
            marked_ = std::max(marked_, stall);
        } else {
            longest_ = std::max(longest_, stall);
            busiest_ = std::max(busiest_, cpu - last_cpu_);
        }
        last_ = now;
        last_cpu_ = cpu;
    }

    QTimer timer_;
    Clock::time_point last_;
    double last_cpu_ = 0;
    std::optional<Clock::time_point> mark_;
    double longest_ = 0;
    double marked_ = 0;
    double busiest_ = 0;
};

struct Figures {
    unsigned rate = 0;
    double floor_ms = 0;
    std::vector<double> times_ms;
    double stall_ms = 0;
    double busy_ms = 0;
    double finish_ms = 0;
    double idle_ms = 0;  // the longest gap of an idle loop, for comparison
};

int BaudIndex(unsigned rate) {
    for (std::size_t i = 0; i < tilvane::kBaudTable.size(); ++i) {
        if (tilvane::kBaudTable[i] == static_cast<std::int32_t>(rate)) return static_cast<int>(i);
    }
    return -1;
}

bool Measure(const tilvane::ReaderLibrary &library, unsigned rate, int rounds, Figures &figures,
             std::string &error) {
    const std::vector<Step> steps = WorkbenchReadSteps();
    const auto wire = bench::line_floor("mifare1k", {}, steps, rate, error);
    if (!wire) return false;
    constexpr protocol::FieldPauses pauses = protocol::kFieldCyclePauses;
    figures.rate = rate;
    figures.floor_ms = Milliseconds(*wire).count() + pauses.after_off_ms +
                       pauses.after_protocol_ms + pauses.after_on_ms;

    test_support::SimProcess sim;
    if (!sim.start(TILVANE_BIN_DIR "/reader-sim",
                   {"--realtime", "--baud", std::to_string(rate), "--card", "mifare1k"}, error)) {
        return false;
    }
    test_support::use_device(1, sim.device());
    tilvane::AppState state;
    state.api = library.api();
    state.com_port = 1;
    state.baud_rate = BaudIndex(rate);
    if (state.OpenPort() != 0) {
        error = "rf_init_com did not find the simulated reader";
        return false;
    }
    QTemporaryDir keys;
    tilvane::WorkbenchWindow window(state,
                                    tilvane::WorkbenchOptions{keys.filePath("keys").toStdString()});
    window.resize(1000, 720);
    window.show();
    tilvane::CardPanel &panel = *window.card_panel();
    // As an operator reads a card: on the Card tab, the progress in sight.
    window.tabs()->setCurrentWidget(&panel);
    StallMeter meter;
    // The same window with nothing to do: what the machine itself holds the
    // loop for (other processes on its cores).
    {
        QEventLoop idle;
        meter.Start();
        QTimer::singleShot(2000, &idle, &QEventLoop::quit);
        idle.exec();
        meter.Stop();
        figures.idle_ms = meter.longest_ms();
    }
    const QString exchanges = QStringLiteral(", %1 exchanges").arg(steps.size());
    for (int round = 0; round < rounds; ++round) {
        // The read before is in no file: without this the window would ask.
        if (window.document().has_dump()) {
            window.document().MarkSaved(keys.filePath("read.mct"), cardkit::DumpFormat::Mct);
        }
        QEventLoop loop;
        Clock::time_point ended;
        const auto connection = QObject::connect(
            &panel, &tilvane::CardPanel::working_changed, &loop, [&](bool working) {
                if (working) return;
                ended = Clock::now();
                meter.Mark();
                QTimer::singleShot(0, &loop, &QEventLoop::quit);
            });
        meter.Start();
        const auto start = Clock::now();
        panel.ReadCard();
        loop.exec();
        meter.Stop();
        QObject::disconnect(connection);
        const QString outcome = window.band()->text();
        if (!outcome.startsWith(QStringLiteral("Card read: ")) || !outcome.contains(exchanges)) {
            error = "the read did not go as counted: " + outcome.toStdString();
            return false;
        }
        figures.times_ms.push_back(Milliseconds(ended - start).count());
        figures.stall_ms = std::max(figures.stall_ms, meter.longest_ms());
        figures.busy_ms = std::max(figures.busy_ms, meter.busiest_ms());
        figures.finish_ms = std::max(figures.finish_ms, meter.marked_ms());
    }
    state.ClosePort();
    return true;
}

}  // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // Settings and remembered keys of this run stay out of the user's way.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    tilvane::SetMessageBoxHook([](const tilvane::MessageBoxRequest &) { return QMessageBox::Ok; });

    tilvane::ReaderLibrary library;
    if (!library.Load(QStringLiteral(TILVANE_BIN_DIR "/libDrovik.so"))) {
        std::fprintf(stderr, "bench_workbench_read: libDrovik.so did not bind\n");
        return 1;
    }
    std::printf("%-8s %10s %10s %8s %8s %10s %10s %10s %10s\n", "baud", "median ms", "floor ms",
                "ratio", "worst", "stall ms", "busy ms", "dump ms", "idle ms");
    bool met = true;
    for (const unsigned rate : kRates) {
        Figures figures;
        std::string error;
        if (!Measure(library, rate, rounds, figures, error)) {
            std::fprintf(stderr, "bench_workbench_read at %u baud: %s\n", rate, error.c_str());
            return 1;
        }
        std::sort(figures.times_ms.begin(), figures.times_ms.end());
        const double median = figures.times_ms[figures.times_ms.size() / 2];
        const double ratio = median / figures.floor_ms;
        met = met && ratio <= kGoalRatio && figures.stall_ms <= kGoalStallMs;
        std::printf("%-8u %10.1f %10.1f %8.3f %8.3f %10.2f %10.2f %10.2f %10.2f\n", rate, median,
                    figures.floor_ms, ratio, figures.times_ms.back() / figures.floor_ms,
                    figures.stall_ms, figures.busy_ms, figures.finish_ms, figures.idle_ms);
    }
    std::printf("goal: at most %.2f times the floor, no progress stall over %.0f ms: %s\n",
                kGoalRatio, kGoalStallMs, met ? "met" : "missed");
    library.Unload();
    return met ? 0 : 2;
}
