// The reader as a PC/SC reader: an APDU's round trip through Debian's pcscd and
// the driver, side by side with the same exchange through libDrovik.so directly,
// and the time from a card put into the field to its ATR seen by a client. Both
// against reader-sim at 115200 baud, paced as a real line (--realtime), and on a
// bare pseudo-terminal for comparison. Goals: through pcscd at most 1.3 times the
// direct round trip on the line; insertion to ATR under 300 ms.
//
// pcscd's socket is fixed at /run/pcscd/: the program runs in a mount namespace of
// its own with a tmpfs there, so it needs root (as the tests do).
//
//   build/bench/bin/bench_pcsc [ROUND_TRIPS [INSERTIONS]]

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <winscard.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "drovik.h"
#include "platform/module.h"
#include "sim_process.h"
#include "transport_environment.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGoalRatio = 1.3;
constexpr double kGoalInsertionMs = 300;
constexpr char kReaderName[] = "Tilvane Bench 00 00";
const std::vector<std::uint8_t> kGetChallenge = {0x00, 0x84, 0x00, 0x00, 0x08};

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double median = 0, p90 = 0, worst = 0;
};

Figures figures(std::vector<double> samples) {
    if (samples.empty()) return {};
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 9 / 10], samples.back()};
}

bool private_pcscd_directory(std::string &error) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        error = std::string("no mount namespace of its own (run as root): ") + std::strerror(errno);
        return false;
    }
    mkdir("/run/pcscd", 0755);
    if (mount("tmpfs", "/run/pcscd", "tmpfs", 0, "mode=0755") != 0) {
        error = std::string("no tmpfs over /run/pcscd: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// pcscd in the foreground with one reader; ended with this program.
class Daemon {
public:
    bool start(const std::string &device, std::string &error) {
        config_ =
            std::filesystem::temp_directory_path() / ("bench-pcsc-" + std::to_string(getpid()));
        std::filesystem::create_directories(config_);
        std::ofstream(config_ / "tilvane")
            << "FRIENDLYNAME \"Tilvane Bench\"\nDEVICENAME " << device
            << ":115200\nLIBPATH " TILVANE_BIN_DIR "/libifd-tilvane.so\n";
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execlp("pcscd", "pcscd", "--foreground", "--config", config_.c_str(), nullptr);
            _exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context_) ==
                SCARD_S_SUCCESS) {
                char names[1024];
                DWORD length = sizeof names;
                if (SCardListReaders(context_, nullptr, names, &length) == SCARD_S_SUCCESS)
                    return true;
                SCardReleaseContext(context_);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        error = "pcscd did not come up";
        return false;
    }
    void stop() {
        if (context_ != 0) SCardReleaseContext(context_);
        context_ = 0;
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
        std::filesystem::remove_all(config_);
    }
    ~Daemon() { stop(); }
    SCARDCONTEXT context() const { return context_; }

    // Waits until the field holds a card (or none): the time it took.
    double await(bool present) {
        const auto start = Clock::now();
        SCARD_READERSTATE state{};
        state.szReader = kReaderName;
        state.dwCurrentState = SCARD_STATE_UNAWARE;
        while (ms_since(start) < 5000) {
            SCardGetStatusChange(context_, 1000, &state, 1);
            const bool has_card = (state.dwEventState & SCARD_STATE_PRESENT) && state.cbAtr > 0;
            if (has_card == present) break;
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        }
        return ms_since(start);
    }

private:
    std::filesystem::path config_;
    pid_t pid_ = -1;
    SCARDCONTEXT context_ = 0;
};

struct Run {
    Figures pcsc, direct, insertion;
    bool ok = false;
};

Run measure(bool realtime, int round_trips, int insertions) {
    Run run;
    test_support::SimProcess sim;
    sim.send_log_to("/dev/null");
    std::string error;
    std::vector<std::string> arguments = {"--baud", "115200", "--card", "cpu-a"};
    if (realtime) arguments.push_back("--realtime");
    if (!sim.start(TILVANE_BIN_DIR "/reader-sim", arguments, error)) {
        std::fprintf(stderr, "reader-sim: %s\n", error.c_str());
        return run;
    }

    {
        Daemon daemon;
        if (!daemon.start(sim.device(), error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return run;
        }
        daemon.await(true);
        SCARDHANDLE card = 0;
        DWORD protocol = 0;
        if (SCardConnect(daemon.context(), kReaderName, SCARD_SHARE_SHARED,
                         SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card,
                         &protocol) != SCARD_S_SUCCESS) {
            std::fprintf(stderr, "SCardConnect failed\n");
            return run;
        }
        const SCARD_IO_REQUEST *pci = protocol == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
        std::vector<double> samples;
        for (int i = 0; i < round_trips; ++i) {
            BYTE answer[64];
            DWORD length = sizeof answer;
            const auto start = Clock::now();
            if (SCardTransmit(card, pci, kGetChallenge.data(), kGetChallenge.size(), nullptr,
                              answer, &length) != SCARD_S_SUCCESS ||
                length != 10) {
                std::fprintf(stderr, "SCardTransmit failed\n");
                return run;
            }
            samples.push_back(ms_since(start));
        }
        SCardDisconnect(card, SCARD_LEAVE_CARD);
        run.pcsc = figures(samples);

        samples.clear();
        for (int i = 0; i < insertions; ++i) {
            sim.command("remove all");
            daemon.await(false);
            // Not in step with the driver's looks at the field.
            std::this_thread::sleep_for(std::chrono::milliseconds(150 + 37 * (i % 5)));
            const auto start = Clock::now();
            sim.command(i % 2 == 0 ? "insert cpu-a" : "insert mifare1k");
            daemon.await(true);
            samples.push_back(ms_since(start));
        }
        run.insertion = figures(samples);
        sim.command("remove all");
        sim.command("insert cpu-a");
    }

    // The same exchange through the library, once pcscd has given the port back.
    static platform::Module drovik = platform::Module::load(TILVANE_BIN_DIR "/libDrovik.so");
    const auto init_com = reinterpret_cast<decltype(&rf_init_com)>(drovik.resolve("rf_init_com"));
    const auto typea_rst =
        reinterpret_cast<decltype(&rf_typea_rst)>(drovik.resolve("rf_typea_rst"));
    const auto cos_command =
        reinterpret_cast<decltype(&rf_cos_command)>(drovik.resolve("rf_cos_command"));
    const auto close_port =
        reinterpret_cast<decltype(&rf_ClosePort)>(drovik.resolve("rf_ClosePort"));
    if (init_com == nullptr || typea_rst == nullptr || cos_command == nullptr) {
        std::fprintf(stderr, "libDrovik.so did not load\n");
        return run;
    }
    test_support::use_device(1, sim.device());
    std::uint8_t answer[256];
    std::uint8_t length = 0;
    if (init_com(1, 115200) != 0 || typea_rst(0, 0x52, answer, &length) != 0) {
        std::fprintf(stderr, "the library found no card\n");
        return run;
    }
    std::vector<double> samples;
    for (int i = 0; i < round_trips; ++i) {
        const auto start = Clock::now();
        if (cos_command(0, kGetChallenge.data(), static_cast<int>(kGetChallenge.size()), answer,
                        &length) != 0 ||
            length != 10) {
            std::fprintf(stderr, "rf_cos_command failed\n");
            close_port();
            return run;
        }
        samples.push_back(ms_since(start));
    }
    close_port();
    run.direct = figures(samples);
    run.ok = true;
    return run;
}

}  // namespace

int main(int argc, char **argv) {
    const int round_trips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int insertions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string error;
    if (!private_pcscd_directory(error)) {
        std::fprintf(stderr, "bench_pcsc: %s\n", error.c_str());
        return 1;
    }
    std::printf("GET CHALLENGE (5 bytes out, 10 back), %d round trips; %d insertions\n\n",
                round_trips, insertions);
    std::printf("| Line | Path | Median ms | 90%% ms | Worst ms |\n|---|---|---|---|---|\n");
    bool goals_met = true;
    for (const bool realtime : {true, false}) {
        const Run run = measure(realtime, round_trips, insertions);
        if (!run.ok) return 1;
        const char *line = realtime ? "115200 baud, paced" : "pseudo-terminal";
        std::printf("| %s | through pcscd | %.3f | %.3f | %.3f |\n", line, run.pcsc.median,
                    run.pcsc.p90, run.pcsc.worst);
        std::printf("| %s | libDrovik.so | %.3f | %.3f | %.3f |\n", line, run.direct.median,
                    run.direct.p90, run.direct.worst);
        std::printf("| %s | insertion to ATR | %.1f | %.1f | %.1f |\n", line, run.insertion.median,
                    run.insertion.p90, run.insertion.worst);
        const double ratio = run.pcsc.median / run.direct.median;
        std::printf("|   | ratio (medians) | %.3f | | |\n", ratio);
        if (realtime) {
            goals_met = ratio <= kGoalRatio && run.insertion.worst < kGoalInsertionMs;
        }
    }
    std::printf(
        "\nGoals on the paced line: ratio at most %.1f, insertion to ATR under %.0f ms: %s\n",
        kGoalRatio, kGoalInsertionMs, goals_met ? "met" : "NOT met");
    return goals_met ? 0 : 2;
}
