// Exchanges per second through CommunicateRFResult over a pseudo-terminal, against
// a plain write/read round trip of the same bytes on another, each with a thread
// on the master side that answers every request with the same frame. The goal:
// the transport keeps at least 0.8 of the plain rate, and no exchange of a whole
// frame ever waits for a timeout (the slowest one is reported, and the benchmark
// fails when it reaches the first-byte wait).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "echoing_reader.h"
#include "selmek.h"
#include "sim/line_speed.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

using bench::EchoingReader;
using bench::kAnswer;
using bench::kRequest;
using bench::plain_round_trip;

constexpr int kFirstByteWaitMs = 2000;

bool open_transport(const EchoingReader &reader) {
    setenv("SELMEK_PORT1", reader.path().c_str(), 1);
    setenv("SELMEK_TIMEOUT_MS", std::to_string(kFirstByteWaitMs).c_str(), 1);
    return OpenComPort(1, 115200) != 0;
}

double median_us(std::vector<Clock::duration> &times) {
    if (times.empty()) return 0;
    const auto middle = times.begin() + static_cast<long>(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    return std::chrono::duration<double, std::micro>(*middle).count();
}

// Both kinds of round trip in turns, each timed on its own, and compared by their
// medians: other work on the machine falls on both alike, and a round trip that
// was preempted (pseudo-terminal round trips sway with the load far more than the
// two differ) moves a median little.
void BM_PairedRoundTrips(benchmark::State &state) {
    EchoingReader plain;
    sim::set_raw_line(plain.slave(), 115200);
    EchoingReader through_transport;
    if (!open_transport(through_transport)) {
        state.SkipWithError("OpenComPort failed");
        return;
    }
    std::uint8_t response[1024];
    std::vector<Clock::duration> plain_times;
    std::vector<Clock::duration> transport_times;
    plain_times.reserve(1 << 20);
    transport_times.reserve(1 << 20);
    bool plain_first = true;
    for (auto _ : state) {
        // Each goes first every other time: the one that follows meets the tail of
        // the other's work (its echoing thread going back to sleep).
        bool plain_ok = true;
        std::int32_t result = SELMEK_OK;
        std::uint32_t length = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const auto start = Clock::now();
            if ((turn == 0) == plain_first) {
                plain_ok = plain_round_trip(plain.slave(), response);
                plain_times.push_back(Clock::now() - start);
            } else {
                result = CommunicateRFResult(kRequest.data(), static_cast<int32_t>(kRequest.size()),
                                             response, &length);
                transport_times.push_back(Clock::now() - start);
            }
        }
        plain_first = !plain_first;
        if (!plain_ok) {
            state.SkipWithError("the plain round trip failed");
            break;
        }
        if (result != SELMEK_OK || length != kAnswer.size()) {
            state.SkipWithError("an exchange failed");
            break;
        }
    }
    CloseComPort();
    if (transport_times.empty()) return;
    const double slowest_ms = std::chrono::duration<double, std::milli>(
                                  *std::max_element(transport_times.begin(), transport_times.end()))
                                  .count();
    const double plain_us = median_us(plain_times);
    const double transport_us = median_us(transport_times);
    state.counters["plain_per_s"] = plain_us > 0 ? 1e6 / plain_us : 0.0;
    state.counters["transport_per_s"] = transport_us > 0 ? 1e6 / transport_us : 0.0;
    state.counters["rate_ratio"] = transport_us > 0 ? plain_us / transport_us : 0.0;
    state.counters["slowest_ms"] = slowest_ms;
    if (slowest_ms >= kFirstByteWaitMs) state.SkipWithError("an exchange waited for a timeout");
}

BENCHMARK(BM_PairedRoundTrips)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Prints the transport's share of the plain rate after the usual table (the
// median of it when there are repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_name.function_name != "BM_PairedRoundTrips") continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median) {
                ratio_ = run.counters.at("rate_ratio").value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (ratio_ > 0) {
            GetOutputStream() << "transport rate / plain rate: " << ratio_
                              << " (goal: at least 0.8)\n";
        }
    }

private:
    double ratio_ = 0;
};

// Keeps the benchmark and its echoing threads on one processor, so that the
// comparison shows what the transport adds (system calls, decoding) rather than
// which processor the scheduler happened to wake the other side on.
void stay_on_one_processor() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed)) continue;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        sched_setaffinity(0, sizeof one, &one);
        return;
    }
}

}  // namespace

int main(int argc, char **argv) {
    stay_on_one_processor();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
