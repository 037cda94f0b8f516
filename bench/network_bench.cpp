// Exchanges through a serial-port server on loopback against the same exchanges
// on the bare pseudo-terminal: reader-sim (answering at once) behind Debian's
// ser2net, as Telnet with RFC 2217 and as a raw TCP stream, and the real
// libDrovik.so and libSelmek.so of bin/ sending rf_get_snr (a request of 8 bytes,
// an answer of 17). The three ways take turns in blocks, so that the machine's
// other work falls on each alike; each exchange is timed, and the medians are
// set against each other. A plain program: it prints its figures.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "binding/reader_library.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "state_directory.h"
#include "transport_environment.h"

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr int kRounds = 10;
constexpr int kBlock = 200;

struct Way {
    const char *name;
    std::string device;
    std::vector<double> times_us;
};

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One block of exchanges on `way`; false when it could not connect or an
// exchange failed.
// The library of bin/, bound through the generated table; its entries are null
// when it did not load.
const binding::ReaderApi &library() {
    static const binding::ReaderLibrary loaded = [] {
        binding::ReaderLibrary library;
        library.load(binding::ReaderLibrary::file_in(TILVANE_BIN_DIR));
        return library;
    }();
    return loaded.api();
}

bool run_block(const binding::ReaderApi &drovik, Way &way) {
    test_support::use_device(1, way.device);
    // The way before may still be letting the device go (ser2net closes it a
    // moment after its client has gone): untimed, try again for a while.
    bool connected = false;
    for (int attempt = 0; attempt < 100 && !connected; ++attempt) {
        connected = drovik.rf_init_com(1, 115200) == 0;
        if (!connected) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!connected) return false;
    std::uint8_t serial[8];
    for (int i = 0; i < kBlock; ++i) {
        const auto start = Clock::now();
        const std::int32_t result = drovik.rf_get_snr(0, serial);
        way.times_us.push_back(Micros(Clock::now() - start).count());
        if (result != 0) {
            drovik.rf_ClosePort();
            return false;
        }
    }
    drovik.rf_ClosePort();
    return true;
}

}  // namespace

int main() {
    const binding::ReaderApi &drovik = library();
    if (drovik.rf_init_com == nullptr || drovik.rf_get_snr == nullptr) {
        std::fprintf(stderr, "libDrovik.so did not load\n");
        return 1;
    }
    if (test_support::Ser2netProcess::program().empty()) {
        std::fprintf(stderr, "ser2net is not installed: scripts/install-deps.sh installs it\n");
        return 1;
    }
    test_support::StateDirectory memory;
    test_support::SimProcess sim;
    std::string error;
    if (!sim.start(TILVANE_BIN_DIR "/reader-sim", {"--baud", "115200"}, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    test_support::Ser2netProcess rfc2217;
    test_support::Ser2netProcess raw;
    if (!rfc2217.start(sim.device(), test_support::Ser2netProcess::Kind::rfc2217, 115200, error) ||
        !raw.start(sim.device(), test_support::Ser2netProcess::Kind::raw, 115200, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::array<Way, 3> ways = {{{"pseudo-terminal", sim.device(), {}},
                                {"ser2net rfc2217", rfc2217.address(), {}},
                                {"ser2net raw tcp", raw.address() + "?baud=115200", {}}}};
    for (int round = 0; round < kRounds; ++round) {
        for (Way &way : ways) {
            if (!run_block(drovik, way)) {
                std::fprintf(stderr, "exchanges failed on %s in round %d\n", way.name, round);
                return 1;
            }
        }
    }

    const double bare_us = median(ways[0].times_us);
    std::printf("%-18s %12s %14s %10s %12s\n", "way", "exchanges", "median us", "per s",
                "time ratio");
    for (const Way &way : ways) {
        const double us = median(way.times_us);
        std::printf("%-18s %12zu %14.1f %10.0f %12.2f\n", way.name, way.times_us.size(), us,
                    1e6 / us, us / bare_us);
    }
    std::printf("exchange rate through ser2net (rfc2217) is %.2f of the bare pseudo-terminal's\n",
                bare_us / median(ways[1].times_us));
    return 0;
}
