// The exchange log's cost on a library call. With the log closed the pages call
// the plain table itself, so a call costs what it always did: the benchmark
// checks the state's table is the plain one after a log was opened and closed,
// and times a call through it next to a call through the bound table. With the
// log open each call is formatted by its export's description, timed and
// recorded into the bounded store.
//
// The library's entries are stand-ins that do almost nothing, so that what is
// timed is the way to them: a real exchange on the serial line takes
// milliseconds.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "common/app_state.h"
#include "common/exchange_log.h"
#include "common/logged_api.h"

namespace {

int32_t ReadBlock(int32_t, int32_t block, uint8_t *data, uint8_t *length) {
    std::memset(data, block, 16);
    *length = 16;
    return 0;
}

int32_t Exchange(int32_t, const uint8_t *, int32_t, uint8_t *answer, uint8_t *length) {
    answer[0] = 0x90;
    answer[1] = 0x00;
    *length = 2;
    return 0;
}

int32_t Authenticate(int32_t, int32_t, int32_t, const uint8_t *) { return 0; }

binding::ReaderApi StandIns() {
    binding::ReaderApi api;
    api.rf_M1_read = ReadBlock;
    api.rf_cos_command = Exchange;
    api.rf_M1_authentication2 = Authenticate;
    return api;
}

enum Table { kBound, kLogClosed, kLogOpen };

// Calls `call` through the table the state holds in the given case.
template <typename Call>
void Run(benchmark::State &bench, Call call) {
    const auto table = static_cast<Table>(bench.range(0));
    bench.SetLabel(table == kBound       ? "bound table"
                   : table == kLogClosed ? "log closed"
                                         : "log open");
    tilvane::AppState state;
    state.api = StandIns();
    const binding::ReaderApi plain = state.api;
    auto log = std::make_shared<tilvane::ExchangeLog>();
    std::unique_ptr<tilvane::ExchangeLogging> logging;
    if (table != kBound) logging = std::make_unique<tilvane::ExchangeLogging>(state, log);
    if (table == kLogClosed) {
        logging.reset();
        if (!tilvane::SameTable(state.api, plain)) {
            bench.SkipWithError("the closed log left another table in place");
            return;
        }
    }
    for (auto _ : bench) benchmark::DoNotOptimize(call(state.api));
    bench.counters["logged"] = static_cast<double>(log->waiting() + log->dropped());
}

void BM_ReadBlock(benchmark::State &bench) {
    Run(bench, [](const binding::ReaderApi &api) {
        uint8_t data[16];
        uint8_t length = 0;
        return api.rf_M1_read(0, 4, data, &length);
    });
}

void BM_Exchange16(benchmark::State &bench) {
    static const uint8_t command[16] = {0x00, 0xA4, 0x04, 0x00, 0x09, 0xF0, 0x54, 0x49,
                                        0x4C, 0x56, 0x41, 0x4E, 0x45, 0x01, 0x00, 0x00};
    Run(bench, [](const binding::ReaderApi &api) {
        uint8_t answer[250];
        uint8_t length = 0;
        return api.rf_cos_command(0, command, 16, answer, &length);
    });
}

void BM_AuthenticateMasked(benchmark::State &bench) {
    static const uint8_t key[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    Run(bench,
        [](const binding::ReaderApi &api) { return api.rf_M1_authentication2(0, 0x60, 4, key); });
}

BENCHMARK(BM_ReadBlock)->DenseRange(kBound, kLogOpen);
BENCHMARK(BM_Exchange16)->DenseRange(kBound, kLogOpen);
BENCHMARK(BM_AuthenticateMasked)->DenseRange(kBound, kLogOpen);

}  // namespace

BENCHMARK_MAIN();
