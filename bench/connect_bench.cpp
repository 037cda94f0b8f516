// rf_init_com against reader-sim for every pair of the reader's rate and the
// requested rate (7 x 7), through the real libDrovik.so and libSelmek.so of bin/
// with the transport's default waits. Each run starts a fresh simulator at the
// reader's rate, so every connect meets the reader where the pair says.
//
// First contact: no memory of the reader's rate (an empty state directory), so
// the search runs as for a reader never seen. Reconnect: the reader was found at
// its rate by the connect before (which the library remembers for the port), so
// the search starts there. The goals: the slowest first contact in under 500 ms,
// the slowest reconnect in under 20 ms. After the usual table come the matrices
// of each pair's slowest connect, with the worst and the median of each.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "binding/reader_library.h"
#include "protocol/baud_rates.h"
#include "sim_process.h"
#include "state_directory.h"
#include "transport_environment.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kRates = protocol::kBaudRates.size();
constexpr double kFirstContactGoalMs = 500;
constexpr double kReconnectGoalMs = 20;

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

using Matrix = std::array<std::array<double, kRates>, kRates>;
// The slowest connect of each pair, [reader's rate][requested rate], in ms.
Matrix g_first_contact_ms{};
Matrix g_reconnect_ms{};

void run_connects(benchmark::State &state, bool reconnect) {
    const auto reader = static_cast<std::size_t>(state.range(0));
    const auto requested = static_cast<std::size_t>(state.range(1));
    const std::int32_t reader_rate = protocol::kBaudRates[reader].rate;
    const binding::ReaderApi &drovik = library();
    if (drovik.rf_init_com == nullptr || drovik.rf_ClosePort == nullptr) {
        state.SkipWithError("libDrovik.so did not load");
        return;
    }
    double slowest_ms = 0;
    for (auto _ : state) {
        test_support::StateDirectory memory;  // nothing remembered yet
        test_support::SimProcess sim;
        std::string error;
        if (!sim.start(TILVANE_BIN_DIR "/reader-sim", {"--baud", std::to_string(reader_rate)},
                       error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        test_support::use_device(1, sim.device());
        // A reconnect follows a connect that found the reader at its rate and
        // left it there.
        if (reconnect && (drovik.rf_init_com(1, reader_rate) != 0 || drovik.rf_ClosePort() != 0)) {
            state.SkipWithError("the first connect failed");
            return;
        }
        const auto start = Clock::now();
        const std::int32_t result = drovik.rf_init_com(1, protocol::kBaudRates[requested].rate);
        const std::chrono::duration<double> took = Clock::now() - start;
        drovik.rf_ClosePort();
        if (result != 0) {
            state.SkipWithError(("rf_init_com returned " + std::to_string(result)).c_str());
            return;
        }
        state.SetIterationTime(took.count());
        slowest_ms = std::max(slowest_ms, took.count() * 1000);
    }
    (reconnect ? g_reconnect_ms : g_first_contact_ms)[reader][requested] = slowest_ms;
    state.counters["slowest_ms"] = slowest_ms;
}

void BM_Connect(benchmark::State &state) { run_connects(state, false); }
void BM_Reconnect(benchmark::State &state) { run_connects(state, true); }

BENCHMARK(BM_Connect)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kRates - 1, 1),
                   benchmark::CreateDenseRange(0, kRates - 1, 1)})
    ->ArgNames({"reader", "requested"})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reconnect)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kRates - 1, 1),
                   benchmark::CreateDenseRange(0, kRates - 1, 1)})
    ->ArgNames({"reader", "requested"})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void print_matrix(const char *what, const Matrix &slowest_ms, double goal_ms) {
    std::vector<double> all;
    std::printf(
        "\n%s: slowest connect in ms (rows: the reader's rate, columns: the requested rate)\n",
        what);
    std::printf("%8s", "");
    for (const auto &rate : protocol::kBaudRates) std::printf("%8d", rate.rate);
    std::printf("\n");
    for (std::size_t reader = 0; reader < kRates; ++reader) {
        std::printf("%8d", protocol::kBaudRates[reader].rate);
        for (const double ms : slowest_ms[reader]) {
            std::printf("%8.1f", ms);
            if (ms > 0) all.push_back(ms);
        }
        std::printf("\n");
    }
    if (all.size() != kRates * kRates) {
        std::printf("not every pair connected\n");
        return;
    }
    std::sort(all.begin(), all.end());
    const double median = (all[all.size() / 2] + all[(all.size() - 1) / 2]) / 2;
    std::printf("worst %.1f ms, median %.1f ms (goal: worst under %.0f ms: %s)\n", all.back(),
                median, goal_ms, all.back() < goal_ms ? "met" : "missed");
}

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    print_matrix("first contact", g_first_contact_ms, kFirstContactGoalMs);
    print_matrix("reconnect", g_reconnect_ms, kReconnectGoalMs);
    return 0;
}
