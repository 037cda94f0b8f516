// A full dump of a Mifare Classic 1K card by rfcard against reader-sim, run as a
// user runs it, with a dictionary of 200 keys. Three sectors carry keys from
// deep in the dictionary (two of them with key B kept secret) and one a key it
// lacks. The goal: no more exchanges than the keys tried require, that is the
// field and the card's selection, one authentication per key tried, a reselect
// (request and select) after each wrong key, and one read per block read. Three
// counts are shown side by side: what rfcard counted, the frames the simulator
// answered (from its log), and what the keys tried require. After them, the
// dump's time against the same number of bare round trips on a pseudo-terminal.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cardkit/dump_formats.h"
#include "cardkit/key_dictionary.h"
#include "echoing_reader.h"
#include "sim/line_speed.h"
#include "program_run.h"
#include "sim_process.h"
#include "transport_environment.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kDictionarySize = 200;

struct Setup {
    fs::path directory = fs::temp_directory_path() / ("rfcard-bench-" + std::to_string(getpid()));
    test_support::SimProcess sim;
    std::string error;
    std::size_t log_offset = 0;
};

Setup &setup() {
    static Setup state;
    return state;
}

std::string file(const std::string &name) { return (setup().directory / name).string(); }

cardkit::MifareKey dictionary_key(int index) {
    return {0xC0, 0xDE, static_cast<std::uint8_t>(index),
            0x5A, 0x17, static_cast<std::uint8_t>(index * 7)};
}

test_support::ProgramRun rfcard(const std::vector<std::string> &arguments) {
    return test_support::run_program(TILVANE_BIN_DIR "/rfcard", arguments);
}

// The simulator with its log, the dictionary, and the card's new trailers.
bool prepare() {
    Setup &state = setup();
    fs::remove_all(state.directory);
    fs::create_directories(state.directory);
    setenv("XDG_DATA_HOME", file("data").c_str(), 1);
    state.sim.send_log_to(file("sim.log"));
    if (!state.sim.start(TILVANE_BIN_DIR "/reader-sim",
                         {"--baud", "115200", "--card", "mifare1k", "--verbose"}, state.error)) {
        return false;
    }
    test_support::use_device(1, state.sim.device());

    std::vector<cardkit::MifareKey> keys;
    for (int i = 0; i < kDictionarySize; ++i) keys.push_back(dictionary_key(i));
    std::ofstream(file("keys.dic")) << cardkit::format_key_dictionary(keys);

    cardkit::CardDump trailers = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
    const auto set = [&](int sector, const cardkit::MifareKey &a, const cardkit::MifareKey &b,
                         cardkit::AccessBits access) {
        const auto bits = cardkit::encode_access_bits(access);
        const std::uint8_t bytes[4] = {bits[0], bits[1], bits[2], 0x69};
        trailers.set_bytes(cardkit::trailer_block(sector), cardkit::kTrailerAccessBits, bytes);
        trailers.set_key(sector, cardkit::KeyType::A, a);
        trailers.set_key(sector, cardkit::KeyType::B, b);
    };
    const cardkit::AccessBits secret_b{{0, 0, 0, 3}};
    set(3, dictionary_key(50), dictionary_key(51), secret_b);
    set(9, dictionary_key(150), dictionary_key(199), secret_b);
    set(12, dictionary_key(120), dictionary_key(120), cardkit::kTransportAccess);
    const cardkit::MifareKey unlisted = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
    set(14, unlisted, unlisted, secret_b);
    std::ofstream(file("trailers.mct"))
        << cardkit::export_dump(trailers, cardkit::DumpFormat::Mct).content;
    const auto restored =
        rfcard({"mf", "restore", file("trailers.mct"), "--include-trailers", "--yes"});
    if (restored.status != 0) {
        state.error = "the restore of the trailers failed: " + restored.err;
        return false;
    }
    return true;
}

// Frames the simulator answered since the last call, the set-baud of the
// connect left out.
long frames_answered() {
    Setup &state = setup();
    std::ifstream log(file("sim.log"));
    log.seekg(static_cast<std::streamoff>(state.log_offset));
    long frames = 0;
    std::string line;
    while (std::getline(log, line)) {
        // "<- AA BB 05 FA 00 00 13 ...": the command byte follows the header, the
        // length, its complement and the address.
        if (line.rfind("<- ", 0) == 0 && line.substr(3 + 6 * 3, 2) != "01") ++frames;
    }
    log.clear();
    log.seekg(0, std::ios::end);
    state.log_offset = static_cast<std::size_t>(log.tellg());
    return frames;
}

struct DumpCounts {
    long counted = 0, answered = 0, required = 0, keys_tried = 0, wrong_keys = 0;
    double seconds = 0;
};
DumpCounts g_dump;

void BM_FullDump(benchmark::State &state) {
    static const bool ready = prepare();
    if (!ready) {
        state.SkipWithError(setup().error.c_str());
        return;
    }
    frames_answered();
    for (auto _ : state) {
        // Nothing remembered: every run searches the dictionary afresh.
        fs::remove_all(file("data"));
        const auto start = Clock::now();
        const auto run =
            rfcard({"--json", "mf", "dump", "-f", file("keys.dic"), "-o", file("card.mct")});
        const std::chrono::duration<double> took = Clock::now() - start;
        state.SetIterationTime(took.count());
        const auto report = nlohmann::json::parse(run.out, nullptr, false);
        if (run.status != 5 || report.is_discarded()) {
            state.SkipWithError(("the dump did not end as expected: " + run.err).c_str());
            return;
        }
        DumpCounts counts;
        counts.seconds = took.count();
        counts.counted = report["exchanges"].get<long>();
        counts.keys_tried = report["keys_tried"].get<long>();
        long found = 0, blocks_read = 0;
        for (const auto &sector : report["sectors"]) {
            found += !sector["key_a"].is_null();
            found += !sector["key_b"].is_null();
            blocks_read += sector["blocks_read"].get<long>();
        }
        counts.wrong_keys = counts.keys_tried - found;
        // Field (3), the card's selection (3), the keys, their reselects, the reads.
        counts.required = 6 + counts.keys_tried + 2 * counts.wrong_keys + blocks_read;
        counts.answered = frames_answered();
        g_dump = counts;
    }
    state.counters["exchanges"] = static_cast<double>(g_dump.counted);
    state.counters["frames_answered"] = static_cast<double>(g_dump.answered);
    state.counters["required"] = static_cast<double>(g_dump.required);
    state.counters["keys_tried"] = static_cast<double>(g_dump.keys_tried);
    if (g_dump.answered > g_dump.required)
        state.SkipWithError("more exchanges than the keys require");
}
BENCHMARK(BM_FullDump)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// As many bare round trips as the dump made exchanges.
double g_bare_seconds = 0;
void BM_BareRoundTrips(benchmark::State &state) {
    bench::EchoingReader reader;
    sim::set_raw_line(reader.slave(), 115200);
    std::uint8_t answer[256];
    const long trips = g_dump.answered > 0 ? g_dump.answered : 1;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (long trip = 0; trip < trips; ++trip) {
            if (!bench::plain_round_trip(reader.slave(), answer)) {
                state.SkipWithError("a round trip failed");
                return;
            }
        }
        const std::chrono::duration<double> took = Clock::now() - start;
        state.SetIterationTime(took.count());
        g_bare_seconds = took.count();
    }
    state.counters["round_trips"] = static_cast<double>(trips);
}
BENCHMARK(BM_BareRoundTrips)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup().sim.stop();
    fs::remove_all(setup().directory);
    if (g_dump.counted == 0) return 1;
    std::printf(
        "\nfull 1K dump: %ld exchanges counted by rfcard, %ld frames answered by the "
        "reader, %ld required by the %ld keys tried (%ld wrong)\n",
        g_dump.counted, g_dump.answered, g_dump.required, g_dump.keys_tried, g_dump.wrong_keys);
    std::printf(
        "time: %.1f ms for the whole run (program start and connect included); "
        "%ld bare round trips: %.1f ms (x%.2f)\n",
        g_dump.seconds * 1000, g_dump.answered, g_bare_seconds * 1000,
        g_bare_seconds > 0 ? g_dump.seconds / g_bare_seconds : 0.0);
    return g_dump.answered <= g_dump.required ? 0 : 1;
}
