// The exchange log's recording: the table of logging thunks over the reader of
// fakes (what each call leaves in the log, and that the caller still gets the
// library's own result), the masking of keys, the bound and the batches from a
// worker thread.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "binding/export_descriptions.h"
#include "binding/result_meaning.h"
#include "common/app_state.h"
#include "common/exchange_call_format.h"
#include "common/exchange_log.h"
#include "common/logged_api.h"
#include "fake_reader.h"
#include "workbench/exchange_log_model.h"

namespace {

using binding::ReaderApi;
using fake_reader::Bytes;
using Result = std::optional<std::int32_t>;
// The fake reader's answers set, then one call through `api`; its result.
using Call = std::function<Result(const ReaderApi &api)>;

std::uint8_t g_bytes[250], g_length;  // where the calls' answers go
const std::uint8_t kUid[4] = {0x5A, 0x3C, 0x71, 0xE2};
const std::uint8_t kApdu[5] = {0x00, 0x84, 0x00, 0x00, 0x08};
const std::uint8_t kKey[6] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
const std::uint8_t kTrailer[16] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xFF, 0x07,
                                   0x80, 0x69, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};

std::string Repeated(const std::string &text, std::size_t times) {
    std::string all;
    for (std::size_t i = 0; i < times; ++i) all += text;
    return all;
}

// Every entry a call leaves in `log`, the call made through the logging table.
std::vector<tilvane::ExchangeEntry> Logged(tilvane::AppState &state, const Call &call,
                                           bool show_keys, Result *result = nullptr) {
    auto log = std::make_shared<tilvane::ExchangeLog>();
    log->set_show_keys(show_keys);
    tilvane::ExchangeLogging logging(state, log);
    const Result returned = call(state.api);
    if (result) *result = returned;
    return log->take();
}

struct RecordedCase {
    const char *behaviour;
    Call call;
    std::string function, arguments;
    Result result;
    std::string returned;
};

void PrintTo(const RecordedCase &c, std::ostream *os) { *os << c.behaviour; }

const RecordedCase kRecordedCases[] = {
    {"a block read, its bytes and count",
     [](const ReaderApi &api) {
         fake_reader::state().blocks[4] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
         return api.rf_M1_read(0, 4, g_bytes, &g_length);
     },
     "rf_M1_read", "address=0, block=4", 0, "data=000102030405060708090A0B0C0D0E0F, length=16"},
    {"only the bytes counted",
     [](const ReaderApi &api) {
         fake_reader::state().blocks[4] = Bytes(16, 0xAB);
         fake_reader::state().block_lengths[4] = 3;
         return api.rf_M1_read(0, 4, g_bytes, &g_length);
     },
     "rf_M1_read", "address=0, block=4", 0, "data=ABABAB, length=3"},
    {"nothing returned by a failed call",
     [](const ReaderApi &api) {
         fake_reader::results("rf_M1_read", {6});
         return api.rf_M1_read(0, 9, g_bytes, &g_length);
     },
     "rf_M1_read", "address=0, block=9", 6, ""},
    {"an input sized by its length, a byte back through a pointer",
     [](const ReaderApi &api) { return api.rf_select(0, kUid, 4, g_bytes); }, "rf_select",
     "address=0, uid=5A3C71E2, uid_length=4", 0, "sak=08"},
    {"a command and its answer",
     [](const ReaderApi &api) { return api.rf_cos_command(0, kApdu, 5, g_bytes, &g_length); },
     "rf_cos_command", "address=0, command=0084000008, command_length=5", 0,
     "answer=9000, length=2"},
    {"an unsigned value in hex",
     [](const ReaderApi &api) { return api.rf_attrib(0, 0x1C935E07u, 0); }, "rf_attrib",
     "address=0, pupi=0x1C935E07, parameter=0", 0, ""},
    {"no arguments, 32 bits back",
     [](const ReaderApi &api) {
         std::uint32_t version;
         return api.lib_ver(&version);
     },
     "lib_ver", "", 0, "version=2"},
    {"16 bits back",
     [](const ReaderApi &api) {
         std::uint16_t address;
         return api.rf_get_device_number(&address);
     },
     "rf_get_device_number", "", 0, "address=4660"},
    {"a negative value back",
     [](const ReaderApi &api) {
         fake_reader::state().value = -7;
         std::int32_t value;
         return api.rf_M1_readval(0, 5, &value);
     },
     "rf_M1_readval", "address=0, block=5", 0, "value=-7"},
    {"two outputs, one counted",
     [](const ReaderApi &api) {
         return api.rf_getlockcardinfo(0, 0x52, g_bytes, &g_length, g_bytes + 16);
     },
     "rf_getlockcardinfo", "address=0, mode=82", 0, "uid=12345678, length=4, atqa=0400"},
    {"no result",
     [](const ReaderApi &api) {
         api.rf_free(nullptr);
         return Result();
     },
     "rf_free", "pointer=null", std::nullopt, ""},
};

class ExchangeLogRecording : public ::testing::TestWithParam<RecordedCase> {
protected:
    ExchangeLogRecording() { state.api = fake_reader::api(); }
    tilvane::AppState state;
};

TEST_P(ExchangeLogRecording, RecordsTheCallAndPassesTheLibrarysResultOn) {
    const RecordedCase &c = GetParam();
    fake_reader::reset();
    const Result plain = c.call(state.api);
    fake_reader::reset();
    Result logged;
    const std::vector<tilvane::ExchangeEntry> entries = Logged(state, c.call, false, &logged);
    EXPECT_EQ(logged, plain);
    EXPECT_EQ(fake_reader::calls().size(), 1u);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].function, c.function);
    EXPECT_EQ(entries[0].arguments, c.arguments);
    EXPECT_EQ(entries[0].result, c.result);
    EXPECT_EQ(entries[0].meaning,
              c.result ? binding::result_meaning(c.function, *c.result).text : std::string());
    EXPECT_EQ(entries[0].returned, c.returned);
}

INSTANTIATE_TEST_SUITE_P(Exports, ExchangeLogRecording, ::testing::ValuesIn(kRecordedCases));

// Calls the reader of fakes would not survive, made against entries of our own.
TEST(ExchangeLogArguments, ReadsNoBufferThatIsNotThereAndCutsLongOnes) {
    tilvane::AppState state;
    state.api.rf_select = [](std::int32_t, const std::uint8_t *, std::int32_t, std::uint8_t *) {
        return std::int32_t{1};
    };
    state.api.rf_cos_command = [](std::int32_t, const std::uint8_t *, std::int32_t, std::uint8_t *,
                                  std::uint8_t *) { return std::int32_t{1}; };
    state.api.des_encrypt = [](std::uint8_t *, const std::uint8_t *, std::int32_t,
                               const std::uint8_t *, std::int32_t) { return std::int32_t{0}; };
    const std::vector<std::uint8_t> input(2000, 0xAB);
    std::vector<std::uint8_t> output(2000);
    const auto entries = Logged(
        state,
        [&](const ReaderApi &api) {
            api.rf_select(0, nullptr, 4, g_bytes);
            api.rf_cos_command(0, kApdu, -3, nullptr, nullptr);
            return api.des_encrypt(output.data(), input.data(), 2000, kKey, 6);
        },
        false);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].arguments, "address=0, uid=null, uid_length=4");
    EXPECT_EQ(entries[1].arguments, "address=0, command=, command_length=-3");
    EXPECT_EQ(entries[2].arguments, "input=" + Repeated("AB", tilvane::kMaxLoggedBytes) +
                                        "...(2000 bytes), length=2000, key=******, key_length=6");
}

// ---- Keys -------------------------------------------------------------------------

struct KeyCase {
    Call call;
    std::string masked, clear;  // arguments, or what came back for a read
};

void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.masked; }

const KeyCase kKeyCases[] = {
    {[](const ReaderApi &api) { return api.rf_M1_authentication2(0, 0x60, 4, kKey); },
     "address=0, auth_code=96, block=4, key=******",
     "address=0, auth_code=96, block=4, key=A0A1A2A3A4A5"},
    {[](const ReaderApi &api) { return api.rf_download_key(0, 0, Bytes(96, 0xA7).data()); },
     "address=0, key_type=0, keys=******", "address=0, key_type=0, keys=" + Repeated("A7", 96)},
    {[](const ReaderApi &api) { return api.rf_at020_check(0, kTrailer + 6); },
     "address=0, password=******", "address=0, password=FF078069B0B1B2B3"},
    {[](const ReaderApi &api) { return api.des_decrypt(g_bytes, kTrailer, 8, kKey, 6); },
     "input=A0A1A2A3A4A5FF07, length=8, key=******, key_length=6",
     "input=A0A1A2A3A4A5FF07, length=8, key=A0A1A2A3A4A5, key_length=6"},
    {[](const ReaderApi &api) { return api.rf_M1_write(0, 7, kTrailer); },
     "address=0, block=7, data=******FF078069******",
     "address=0, block=7, data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5"},
    {[](const ReaderApi &api) { return api.rf_M1_write(0, 131, kTrailer); },  // a data block
     "address=0, block=131, data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5", ""},
    {[](const ReaderApi &api) {
         fake_reader::state().blocks[3] = Bytes(kTrailer, kTrailer + 16);
         return api.rf_M1_read(0, 3, g_bytes, &g_length);
     },
     "data=******FF078069******, length=16", "data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5, length=16"},
};

class ExchangeLogKeys : public ::testing::TestWithParam<KeyCase> {
protected:
    // The text the case is about, masked and in clear, recorded with keys shown or not.
    std::pair<std::string, std::string> Recorded(bool show_keys) {
        fake_reader::reset();
        tilvane::AppState state;
        state.api = fake_reader::api();
        const auto entries = Logged(state, GetParam().call, show_keys);
        EXPECT_EQ(entries.size(), 1u);
        if (entries.empty()) return {};
        const bool read = GetParam().masked.starts_with("data=");
        return read ? std::pair(entries[0].returned, entries[0].returned_with_keys)
                    : std::pair(entries[0].arguments, entries[0].arguments_with_keys);
    }
};

TEST_P(ExchangeLogKeys, AreMaskedAndKeptInClearOnlyWhileShown) {
    EXPECT_EQ(Recorded(false), std::pair(GetParam().masked, std::string()));  // no secret kept
    EXPECT_EQ(Recorded(true), std::pair(GetParam().masked, GetParam().clear));
}

INSTANTIATE_TEST_SUITE_P(Parameters, ExchangeLogKeys, ::testing::ValuesIn(kKeyCases));

TEST(ExchangeLogKeyList, NamesBufferParametersOfTheExportList) {
    for (const tilvane::KeyParameter &key : tilvane::KeyParameters()) {
        const binding::ExportDescription *description = binding::find_export(key.function);
        ASSERT_NE(description, nullptr) << key.function;
        const auto &parameters = description->parameters;
        const auto parameter = std::find_if(parameters.begin(), parameters.end(),
                                            [&](auto &p) { return p.name == key.parameter; });
        ASSERT_NE(parameter, parameters.end()) << key.function << ' ' << key.parameter;
        EXPECT_TRUE(parameter->kind == binding::ParameterKind::Input ||
                    parameter->kind == binding::ParameterKind::Output)
            << key.function << ' ' << key.parameter;
    }
}

// ---- The table in place, the bound, threads ------------------------------------------

TEST(ExchangeLogging, SwapsTheTableInAndBackAndACopyKeptStillCallsTheLibrary) {
    fake_reader::reset();
    tilvane::AppState state;
    state.api = fake_reader::api();
    state.api.rf_flash_read = nullptr;
    const ReaderApi plain = state.api;
    auto log = std::make_shared<tilvane::ExchangeLog>();
    ReaderApi kept;
    {
        tilvane::ExchangeLogging logging(state, log);
        EXPECT_TRUE(tilvane::SameTable(state.api, tilvane::LoggingTable(plain)));
        EXPECT_NE(state.api.rf_M1_read, plain.rf_M1_read);
        EXPECT_EQ(state.api.rf_flash_read, nullptr);
        EXPECT_THROW(tilvane::ExchangeLogging(state, log), std::logic_error);
        kept = state.api;
    }
    EXPECT_TRUE(tilvane::SameTable(state.api, plain));
    EXPECT_EQ(kept.rf_halt(0), 0);
    EXPECT_EQ(fake_reader::calls(), std::vector<std::string>{"rf_halt(0)"});
    EXPECT_EQ(log->waiting(), 0u);
}

tilvane::ExchangeEntry Numbered(int number) {
    tilvane::ExchangeEntry entry;
    entry.function = "rf_halt";
    entry.arguments = "address=" + std::to_string(number);
    return entry;
}

// The arguments of the first and the last row, and how many rows.
std::tuple<std::string, std::string, int> Span(const tilvane::ExchangeLogModel &model) {
    const int rows = model.rowCount();
    const auto text = [&](int row) {
        return model.Text(row, tilvane::ExchangeLogModel::kArguments).toStdString();
    };
    return {text(0), text(rows - 1), rows};
}

TEST(ExchangeLogBound, TheListAndTheWaitingCallsKeepTheNewest) {
    struct Case {
        std::size_t capacity;
        std::vector<int> batches;  // calls recorded before each batch is taken
        std::tuple<std::string, std::string, int> rows;
        std::uint64_t dropped;  // by the store, before the list took them
    };
    for (const Case &c : {Case{10000, {10001}, {"address=2", "address=10001", 10000}, 1},
                          Case{4, {3, 3}, {"address=3", "address=6", 4}, 0},
                          Case{2, {1, 5}, {"address=5", "address=6", 2}, 3}}) {
        auto log = std::make_shared<tilvane::ExchangeLog>(c.capacity);
        tilvane::ExchangeLogModel model(log);
        int number = 0;
        for (int batch : c.batches) {
            for (int i = 0; i < batch; ++i) log->append(Numbered(++number));
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(Span(model), c.rows) << c.capacity;
        EXPECT_EQ(log->dropped(), c.dropped) << c.capacity;
    }
}

TEST(ExchangeLogThreads, CallsOnAWorkerReachTheListInOrderInOneBatch) {
    fake_reader::reset();
    tilvane::AppState state;
    state.api = fake_reader::api();
    auto log = std::make_shared<tilvane::ExchangeLog>();
    tilvane::ExchangeLogModel model(log);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    {
        tilvane::ExchangeLogging logging(state, log);
        std::thread worker([api = state.api] {  // the worker's copy
            for (int block = 0; block < 200; ++block) api.rf_M1_restore(0, block);
        });
        worker.join();
    }
    EXPECT_EQ(model.rowCount(), 0);  // nothing reaches the list off the GUI thread
    QCoreApplication::processEvents();
    EXPECT_EQ(inserted.count(), 1);
    ASSERT_EQ(model.rowCount(), 200);
    for (int row = 0; row < 200; ++row) {
        EXPECT_EQ(model.Text(row, tilvane::ExchangeLogModel::kArguments),
                  QStringLiteral("address=0, block=%1").arg(row));
    }
}

}  // namespace
