// Whole card reads through the real libDrovik.so and libSelmek.so of bin/
// against reader-sim --realtime (its default turnarounds) at 9600, 38400 and
// 115200 baud: a Mifare Classic 1K read of all 64 blocks (search, then each
// sector authenticated with key A and its four blocks read) and an SRIX4K read
// of its 128 blocks (select, then every block). Each is set against its floor on
// a real line: every request's and answer's time on the wire plus the reader's
// turnaround for each. The goal: at most 1.05 times the floor at every rate.
//
// The Mifare Classic read runs a second time with the reader on the network:
// reader-sim's pseudo-terminal served by ser2net on 127.0.0.1 as Telnet with
// RFC 2217, the library connecting by its address. The goal there: at most 1.10
// times the same floor.
//
// The floor comes from the frames themselves (line_floor.h). After the usual
// table comes each read's median time, its floor and their ratio.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "binding/reader_library.h"
#include "line_floor.h"
#include "protocol/baud_rates.h"
#include "protocol/card_protocols.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "state_directory.h"
#include "transport_environment.h"

namespace {

using bench::Step;
using protocol::Command;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr std::array<unsigned, 3> kRates = {9600, 38400, 115200};

// How the library reaches the reader's pseudo-terminal, and the goal for each.
enum class Way { pseudo_terminal, rfc2217 };
constexpr std::array<Way, 2> kWays = {Way::pseudo_terminal, Way::rfc2217};
constexpr double goal_ratio(Way way) { return way == Way::rfc2217 ? 1.10 : 1.05; }
constexpr const char *way_name(Way way) { return way == Way::rfc2217 ? "rfc2217" : "pty"; }

struct CardRead {
    const char *name;
    const char *card;         // reader-sim's --card
    std::vector<Step> setup;  // once, untimed
    std::vector<Step> read;   // timed, every iteration
};

// Field off and on between reads: the card starts each read from power-up.
const std::vector<Step> kFieldCycle = {{Command::Antenna, {0}}, {Command::Antenna, {1}}};

CardRead mifare_1k_read() {
    CardRead read{"mifare1k", "mifare1k", {}, {}};
    read.read = {{Command::RequestA, {protocol::kRequestAll}},
                 {Command::Anticollision, {4}},
                 {Command::SelectA, {0x5A, 0x3C, 0x71, 0xE2}}};
    for (std::uint8_t sector = 0; sector < 16; ++sector) {
        const std::uint8_t first = static_cast<std::uint8_t>(sector * 4);
        read.read.push_back(
            {Command::AuthenticateGivenKey,
             {protocol::kAuthenticateKeyA, first, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}});
        for (std::uint8_t block = first; block < first + 4; ++block) {
            read.read.push_back({Command::ReadBlock, {block}});
        }
    }
    return read;
}

CardRead srix4k_read() {
    CardRead read{"srix4k", "srix4k", {{Command::SetProtocol, {'s'}}}, {{Command::StSelect, {}}}};
    for (int block = 0; block < 128; ++block) {
        read.read.push_back({Command::Srix4kRead, {static_cast<std::uint8_t>(block)}});
    }
    return read;
}

const std::array<CardRead, 2> &card_reads() {
    static const std::array<CardRead, 2> reads = {mifare_1k_read(), srix4k_read()};
    return reads;
}

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

// The library call that sends `step`'s request; its result.
std::int32_t call(const binding::ReaderApi &drovik, const Step &step) {
    const std::uint8_t *data = step.data.data();
    std::uint8_t out[protocol::kAnswerRoom];
    std::uint8_t length = 0;
    switch (step.command) {
        case Command::Antenna:
            return drovik.rf_antenna_sta(protocol::kBroadcastAddress, data[0]);
        case Command::SetProtocol:
            return drovik.rf_init_type(protocol::kBroadcastAddress, data[0]);
        case Command::RequestA:
            return drovik.rf_request(protocol::kBroadcastAddress, data[0], out);
        case Command::Anticollision:
            return drovik.rf_anticoll(protocol::kBroadcastAddress, data[0], out, &length);
        case Command::SelectA:
            return drovik.rf_select(protocol::kBroadcastAddress, data,
                                    static_cast<std::int32_t>(step.data.size()), out);
        case Command::AuthenticateGivenKey:
            return drovik.rf_M1_authentication2(protocol::kBroadcastAddress, data[0], data[1],
                                                data + 2);
        case Command::ReadBlock:
            return drovik.rf_M1_read(protocol::kBroadcastAddress, data[0], out, &length);
        case Command::StSelect:
            return drovik.rf_st_select(protocol::kBroadcastAddress, out);
        case Command::Srix4kRead:
            return drovik.rf_srix4k_readblock(protocol::kBroadcastAddress, data[0], out, &length);
        default:
            return -1;
    }
}

struct Figures {
    double median_ms = 0;
    double worst_ms = 0;
    double floor_ms = 0;
};
std::array<std::array<std::array<Figures, kRates.size()>, 2>, kWays.size()> g_figures{};

void BM_PacedRead(benchmark::State &state, std::size_t which, std::size_t rate_index,
                  std::size_t way_index) {
    const Way way = kWays[way_index];
    const CardRead &read = card_reads()[which];
    const unsigned rate = kRates[rate_index];
    const binding::ReaderApi &drovik = library();
    if (drovik.rf_init_com == nullptr || drovik.rf_srix4k_readblock == nullptr) {
        state.SkipWithError("libDrovik.so did not load");
        return;
    }
    std::string error;
    const auto floor = bench::line_floor(read.card, read.setup, read.read, rate, error);
    if (!floor) {
        state.SkipWithError(error.c_str());
        return;
    }
    test_support::StateDirectory memory;
    test_support::SimProcess sim;
    if (!sim.start(TILVANE_BIN_DIR "/reader-sim",
                   {"--realtime", "--baud", std::to_string(rate), "--card", read.card}, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    test_support::use_device(1, sim.device());
    test_support::Ser2netProcess server;
    if (way == Way::rfc2217) {
        if (!server.start(sim.device(), test_support::Ser2netProcess::Kind::rfc2217,
                          static_cast<std::int32_t>(rate), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        test_support::use_device(1, server.address());
    }
    const bool ready = drovik.rf_init_com(1, static_cast<std::int32_t>(rate)) == 0 &&
                       std::all_of(read.setup.begin(), read.setup.end(),
                                   [&](const Step &step) { return call(drovik, step) == 0; });
    if (!ready) {
        state.SkipWithError("connecting or setting the reader up failed");
        drovik.rf_ClosePort();
        return;
    }

    std::vector<double> times_ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (std::size_t i = 0; i < read.read.size(); ++i) {
            if (const std::int32_t result = call(drovik, read.read[i]); result != 0) {
                error = "step " + std::to_string(i) + " returned " + std::to_string(result);
                break;
            }
        }
        const Milliseconds took = Clock::now() - start;
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(took.count() / 1000);
        times_ms.push_back(took.count());
        for (const Step &step : kFieldCycle) call(drovik, step);
    }
    drovik.rf_ClosePort();
    if (times_ms.empty() || !error.empty()) return;

    std::sort(times_ms.begin(), times_ms.end());
    Figures &figures = g_figures[way_index][which][rate_index];
    figures.median_ms = times_ms[times_ms.size() / 2];
    figures.worst_ms = times_ms.back();
    figures.floor_ms = Milliseconds(*floor).count();
    state.counters["floor_ms"] = figures.floor_ms;
    state.counters["median_ms"] = figures.median_ms;
    state.counters["ratio"] = figures.median_ms / figures.floor_ms;
    state.counters["worst_ratio"] = figures.worst_ms / figures.floor_ms;
}

void print_figures() {
    std::printf("\n%-10s %-8s %8s %12s %12s %8s %12s\n", "read", "line", "baud", "median ms",
                "floor ms", "ratio", "worst ratio");
    bool met = true;
    bool complete = true;
    for (std::size_t way = 0; way < kWays.size(); ++way) {
        for (std::size_t which = 0; which < card_reads().size(); ++which) {
            for (std::size_t rate = 0; rate < kRates.size(); ++rate) {
                const Figures &figures = g_figures[way][which][rate];
                if (figures.floor_ms == 0) {
                    if (kWays[way] == Way::pseudo_terminal || which == 0) complete = false;
                    continue;
                }
                const double ratio = figures.median_ms / figures.floor_ms;
                met = met && ratio <= goal_ratio(kWays[way]);
                std::printf("%-10s %-8s %8u %12.1f %12.1f %8.3f %12.3f\n", card_reads()[which].name,
                            way_name(kWays[way]), kRates[rate], figures.median_ms, figures.floor_ms,
                            ratio, figures.worst_ms / figures.floor_ms);
            }
        }
    }
    if (!complete) std::printf("not every read ran\n");
    std::printf("goal: at most %.2f times the floor at every rate (%.2f through rfc2217): %s\n",
                goal_ratio(Way::pseudo_terminal), goal_ratio(Way::rfc2217), met ? "met" : "missed");
}

}  // namespace

int main(int argc, char **argv) {
    for (std::size_t way = 0; way < kWays.size(); ++way) {
        for (std::size_t which = 0; which < card_reads().size(); ++which) {
            // Through the network, the Mifare Classic read alone.
            if (kWays[way] == Way::rfc2217 && which != 0) continue;
            for (std::size_t rate = 0; rate < kRates.size(); ++rate) {
                const std::string name = std::string("BM_PacedRead/") + card_reads()[which].name +
                                         "/" + way_name(kWays[way]) + "/" +
                                         std::to_string(kRates[rate]);
                benchmark::RegisterBenchmark(name.c_str(), BM_PacedRead, which, rate, way)
                    ->Iterations(5)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    print_figures();
    return 0;
}
