// The exchange log's recording: the table of logging thunks over the reader of
// fakes (what each call leaves in the log, and that the caller still gets the
// library's own result and bytes), the masking of keys, the store's bound and
// its batches across threads.

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

// A call made through a table; its result (none for rf_free).
using Call = std::function<std::optional<std::int32_t>(const ReaderApi &)>;

struct RecordedCase {
    const char *behaviour;
    std::function<void()> script;  // the fake reader's answers
    Call call;
    std::string function;
    std::string arguments;
    std::optional<std::int32_t> result;
    std::string returned;
};

void PrintTo(const RecordedCase &c, std::ostream *os) { *os << c.behaviour; }

const std::array<std::uint8_t, 4> kUid = {0x5A, 0x3C, 0x71, 0xE2};
const std::array<std::uint8_t, 5> kChallenge = {0x00, 0x84, 0x00, 0x00, 0x08};

const RecordedCase kRecordedCases[] = {
    {"a block read brings its 16 bytes and count back",
     [] {
         fake_reader::state().blocks[4] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                           0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
     },
     [](const ReaderApi &api) {
         std::uint8_t data[16], length = 0;
         return api.rf_M1_read(0, 4, data, &length);
     },
     "rf_M1_read", "address=0, block=4", 0, "data=000102030405060708090A0B0C0D0E0F, length=16"},
    {"an answer shorter than its room shows only the bytes counted",
     [] {
         fake_reader::state().blocks[4] = Bytes(16, 0xAB);
         fake_reader::state().block_lengths[4] = 3;
     },
     [](const ReaderApi &api) {
         std::uint8_t data[16], length = 0;
         return api.rf_M1_read(0, 4, data, &length);
     },
     "rf_M1_read", "address=0, block=4", 0, "data=ABABAB, length=3"},
    {"a failed call shows nothing returned", [] { fake_reader::results("rf_M1_read", {6}); },
     [](const ReaderApi &api) {
         std::uint8_t data[16], length = 0;
         return api.rf_M1_read(0, 9, data, &length);
     },
     "rf_M1_read", "address=0, block=9", 6, ""},
    {"an input buffer is sized by its length parameter, a value comes back through a pointer",
     [] {},
     [](const ReaderApi &api) {
         std::uint8_t sak = 0;
         return api.rf_select(0, kUid.data(), 4, &sak);
     },
     "rf_select", "address=0, uid=5A3C71E2, uid_length=4", 0, "sak=08"},
    {"a command and its answer", [] {},
     [](const ReaderApi &api) {
         std::uint8_t answer[250], length = 0;
         return api.rf_cos_command(0, kChallenge.data(), 5, answer, &length);
     },
     "rf_cos_command", "address=0, command=0084000008, command_length=5", 0,
     "answer=9000, length=2"},
    {"an empty command", [] {},
     [](const ReaderApi &api) {
         std::uint8_t answer[250], length = 0;
         return api.rf_sam_cos(0, kChallenge.data(), 0, answer, &length);
     },
     "rf_sam_cos", "address=0, command=, command_length=0", 0, "answer=9000, length=2"},
    {"an unsigned value in hex", [] {},
     [](const ReaderApi &api) { return api.rf_attrib(0, 0x1C935E07u, 0); }, "rf_attrib",
     "address=0, pupi=0x1C935E07, parameter=0", 0, ""},
    {"no arguments, a 32-bit value back", [] {},
     [](const ReaderApi &api) {
         std::uint32_t version = 0;
         return api.lib_ver(&version);
     },
     "lib_ver", "", 0, "version=2"},
    {"a 16-bit value back", [] {},
     [](const ReaderApi &api) {
         std::uint16_t address = 0;
         return api.rf_get_device_number(&address);
     },
     "rf_get_device_number", "", 0, "address=4660"},
    {"a negative value back", [] { fake_reader::state().value = -7; },
     [](const ReaderApi &api) {
         std::int32_t value = 0;
         return api.rf_M1_readval(0, 5, &value);
     },
     "rf_M1_readval", "address=0, block=5", 0, "value=-7"},
    {"two outputs, one of them counted", [] {},
     [](const ReaderApi &api) {
         std::uint8_t uid[7], length = 0, atqa[2];
         return api.rf_getlockcardinfo(0, 0x52, uid, &length, atqa);
     },
     "rf_getlockcardinfo", "address=0, mode=82", 0, "uid=12345678, length=4, atqa=0400"},
    {"a port that does not open", [] { fake_reader::results("rf_init_com", {2}); },
     [](const ReaderApi &api) { return api.rf_init_com(1, 9600); }, "rf_init_com",
     "port=1, baud=9600", 2, ""},
    {"a function without a result", [] {},
     [](const ReaderApi &api) {
         api.rf_free(nullptr);
         return std::optional<std::int32_t>();
     },
     "rf_free", "pointer=null", std::nullopt, ""},
};

class ExchangeLogRecording : public ::testing::TestWithParam<RecordedCase> {
protected:
    ExchangeLogRecording() {
        fake_reader::reset();
        state.api = fake_reader::api();
    }

    tilvane::AppState state;
    std::shared_ptr<tilvane::ExchangeLog> log = std::make_shared<tilvane::ExchangeLog>();
};

TEST_P(ExchangeLogRecording, RecordsTheCallAndPassesTheLibrarysResultOn) {
    const RecordedCase &c = GetParam();
    c.script();
    const std::optional<std::int32_t> plain = c.call(state.api);
    fake_reader::reset();
    c.script();
    std::optional<std::int32_t> logged;
    {
        tilvane::ExchangeLogging logging(state, log);
        logged = c.call(state.api);
    }
    EXPECT_EQ(logged, plain);
    EXPECT_EQ(fake_reader::calls().size(), 1u);

    const std::vector<tilvane::ExchangeEntry> entries = log->take();
    ASSERT_EQ(entries.size(), 1u);
    const tilvane::ExchangeEntry &entry = entries[0];
    EXPECT_EQ(entry.function, c.function);
    EXPECT_EQ(entry.arguments, c.arguments);
    EXPECT_EQ(entry.result, c.result);
    EXPECT_EQ(entry.meaning,
              c.result ? binding::result_meaning(c.function, *c.result).text : std::string());
    EXPECT_EQ(entry.returned, c.returned);
    EXPECT_TRUE(entry.arguments_with_keys.empty());
    EXPECT_GE(entry.duration.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Exports, ExchangeLogRecording, ::testing::ValuesIn(kRecordedCases));

// Calls the reader of fakes would not survive, made against entries of our own.
TEST(ExchangeLogArguments, ReadsNoBufferThatIsNotThere) {
    tilvane::AppState state;
    state.api.rf_select = [](std::int32_t, const std::uint8_t *, std::int32_t,
                             std::uint8_t *) -> std::int32_t { return 1; };
    state.api.rf_cos_command = [](std::int32_t, const std::uint8_t *, std::int32_t, std::uint8_t *,
                                  std::uint8_t *) -> std::int32_t { return 1; };
    state.api.des_encrypt = [](std::uint8_t *, const std::uint8_t *, std::int32_t,
                               const std::uint8_t *, std::int32_t) -> std::int32_t { return 0; };
    auto log = std::make_shared<tilvane::ExchangeLog>();
    const std::vector<std::uint8_t> long_input(2000, 0xAB);
    std::vector<std::uint8_t> output(2000);
    const std::uint8_t key[8] = {};
    std::uint8_t sak = 0;
    {
        tilvane::ExchangeLogging logging(state, log);
        state.api.rf_select(0, nullptr, 4, &sak);
        state.api.rf_cos_command(0, kChallenge.data(), -3, nullptr, nullptr);
        state.api.des_encrypt(output.data(), long_input.data(), 2000, key, 8);
    }
    const std::vector<tilvane::ExchangeEntry> entries = log->take();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].arguments, "address=0, uid=null, uid_length=4");
    EXPECT_EQ(entries[1].arguments, "address=0, command=, command_length=-3");
    std::string first_bytes;
    for (std::size_t i = 0; i < tilvane::kMaxLoggedBytes; ++i) first_bytes += "AB";
    EXPECT_EQ(entries[2].arguments,
              "input=" + first_bytes + "...(2000 bytes), length=2000, key=******, key_length=8");
    EXPECT_EQ(entries[2].returned.substr(0, 8), "output=0");
    EXPECT_NE(entries[2].returned.find("...(2000 bytes)"), std::string::npos);
}

// ---- Keys -------------------------------------------------------------------------

struct KeyCase {
    const char *behaviour;
    Call call;
    std::string masked;     // arguments, or what came back where `returned` is set
    std::string with_keys;  // empty: nothing to mask
    bool returned = false;
};

void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.behaviour; }

const std::array<std::uint8_t, 6> kKey = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
const std::array<std::uint8_t, 16> kTrailer = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xFF, 0x07,
                                               0x80, 0x69, 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};

std::string Repeated(const std::string &text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

const KeyCase kKeyCases[] = {
    {"the authentication key",
     [](const ReaderApi &api) { return api.rf_M1_authentication2(0, 0x60, 4, kKey.data()); },
     "address=0, auth_code=96, block=4, key=******",
     "address=0, auth_code=96, block=4, key=A0A1A2A3A4A5"},
    {"the keys downloaded to the reader",
     [](const ReaderApi &api) {
         const std::vector<std::uint8_t> keys(96, 0xFF);
         return api.rf_download_key(0, 0, keys.data());
     },
     "address=0, key_type=0, keys=******", "address=0, key_type=0, keys=" + Repeated("FF", 96)},
    {"the AT88RF020 password",
     [](const ReaderApi &api) {
         const std::uint8_t password[8] = {1, 2, 3, 4, 5, 6, 7, 8};
         return api.rf_at020_check(0, password);
     },
     "address=0, password=******", "address=0, password=0102030405060708"},
    {"the DES key, the data kept",
     [](const ReaderApi &api) {
         std::uint8_t block[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
         return api.des_decrypt(block, block, 8, kKey.data(), 6);
     },
     "input=1122334455667788, length=8, key=******, key_length=6",
     "input=1122334455667788, length=8, key=A0A1A2A3A4A5, key_length=6"},
    {"both keys of a sector trailer written, the access bits kept",
     [](const ReaderApi &api) { return api.rf_M1_write(0, 7, kTrailer.data()); },
     "address=0, block=7, data=******FF078069******",
     "address=0, block=7, data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5"},
    {"the trailer of a 16-block sector of a 4K card",
     [](const ReaderApi &api) { return api.rf_M1_write(0, 143, kTrailer.data()); },
     "address=0, block=143, data=******FF078069******",
     "address=0, block=143, data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5"},
    {"a data block written is no key",
     [](const ReaderApi &api) { return api.rf_M1_write(0, 6, kTrailer.data()); },
     "address=0, block=6, data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5", ""},
    {"a block 4K cards number past their first 32 sectors, not a trailer there",
     [](const ReaderApi &api) { return api.rf_M1_write(0, 131, kTrailer.data()); },
     "address=0, block=131, data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5", ""},
    {"the keys of a trailer read",
     [](const ReaderApi &api) {
         fake_reader::state().blocks[3] = Bytes(kTrailer.begin(), kTrailer.end());
         std::uint8_t data[16], length = 0;
         return api.rf_M1_read(0, 3, data, &length);
     },
     "data=******FF078069******, length=16", "data=A0A1A2A3A4A5FF078069B0B1B2B3B4B5, length=16",
     true},
};

class ExchangeLogKeys : public ::testing::TestWithParam<KeyCase> {
protected:
    ExchangeLogKeys() {
        fake_reader::reset();
        state.api = fake_reader::api();
    }

    tilvane::ExchangeEntry Record(bool show_keys) {
        log->set_show_keys(show_keys);
        tilvane::ExchangeLogging logging(state, log);
        GetParam().call(state.api);
        std::vector<tilvane::ExchangeEntry> entries = log->take();
        EXPECT_EQ(entries.size(), 1u);
        return entries.empty() ? tilvane::ExchangeEntry() : std::move(entries[0]);
    }

    tilvane::AppState state;
    std::shared_ptr<tilvane::ExchangeLog> log = std::make_shared<tilvane::ExchangeLog>();
};

TEST_P(ExchangeLogKeys, AreMaskedAndKeptInClearOnlyWhileShown) {
    const KeyCase &c = GetParam();
    const tilvane::ExchangeEntry hidden = Record(false);
    const tilvane::ExchangeEntry shown = Record(true);
    const auto text = [&c](const tilvane::ExchangeEntry &entry) {
        return c.returned ? entry.returned : entry.arguments;
    };
    const auto clear = [&c](const tilvane::ExchangeEntry &entry) {
        return c.returned ? entry.returned_with_keys : entry.arguments_with_keys;
    };
    EXPECT_EQ(text(hidden), c.masked);
    EXPECT_EQ(clear(hidden), "");  // no secret kept
    EXPECT_EQ(text(shown), c.masked);
    EXPECT_EQ(clear(shown), c.with_keys);
}

INSTANTIATE_TEST_SUITE_P(Parameters, ExchangeLogKeys, ::testing::ValuesIn(kKeyCases));

TEST(ExchangeLogKeyList, NamesBufferParametersOfTheExportList) {
    for (const tilvane::KeyParameter &key : tilvane::KeyParameters()) {
        const binding::ExportDescription *description = binding::find_export(key.function);
        ASSERT_NE(description, nullptr) << key.function;
        const auto parameter =
            std::find_if(description->parameters.begin(), description->parameters.end(),
                         [&key](const auto &candidate) { return candidate.name == key.parameter; });
        ASSERT_NE(parameter, description->parameters.end()) << key.function << ' ' << key.parameter;
        EXPECT_TRUE(parameter->kind == binding::ParameterKind::Input ||
                    parameter->kind == binding::ParameterKind::Output)
            << key.function << ' ' << key.parameter;
    }
}

// ---- The table in place -------------------------------------------------------------

TEST(ExchangeLogging, SwapsTheTableInAndBackAndLeavesMissingEntriesMissing) {
    tilvane::AppState state;
    state.api = fake_reader::api();
    state.api.rf_flash_read = nullptr;
    const ReaderApi plain = state.api;
    auto log = std::make_shared<tilvane::ExchangeLog>();
    {
        tilvane::ExchangeLogging logging(state, log);
        EXPECT_FALSE(tilvane::SameTable(state.api, plain));
        EXPECT_TRUE(tilvane::SameTable(state.api, tilvane::LoggingTable(plain)));
        EXPECT_EQ(state.api.rf_flash_read, nullptr);
        EXPECT_NE(state.api.rf_M1_read, plain.rf_M1_read);
        EXPECT_THROW(tilvane::ExchangeLogging(state, log), std::logic_error);
    }
    EXPECT_TRUE(tilvane::SameTable(state.api, plain));
}

TEST(ExchangeLogging, ACopyOfTheTableKeptPastTheEndStillCallsTheLibraryUnlogged) {
    fake_reader::reset();
    tilvane::AppState state;
    state.api = fake_reader::api();
    auto log = std::make_shared<tilvane::ExchangeLog>();
    ReaderApi kept;
    {
        tilvane::ExchangeLogging logging(state, log);
        kept = state.api;
    }
    EXPECT_EQ(kept.rf_halt(0), 0);
    EXPECT_EQ(fake_reader::calls(), std::vector<std::string>{"rf_halt(0)"});
    EXPECT_EQ(log->waiting(), 0u);
}

// ---- The store and the list's bound -----------------------------------------------

tilvane::ExchangeEntry Numbered(int number) {
    tilvane::ExchangeEntry entry;
    entry.function = "rf_halt";
    entry.arguments = "address=" + std::to_string(number);
    return entry;
}

std::vector<std::string> Arguments(const std::vector<tilvane::ExchangeEntry> &entries) {
    std::vector<std::string> texts;
    for (const auto &entry : entries) texts.push_back(entry.arguments);
    return texts;
}

std::vector<std::string> Rows(const tilvane::ExchangeLogModel &model) {
    std::vector<std::string> texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts.push_back(model.Text(row, tilvane::ExchangeLogModel::kArguments).toStdString());
    }
    return texts;
}

TEST(ExchangeLogStore, KeepsTheNewestWaitingCallsAndCountsTheOthers) {
    tilvane::ExchangeLog log(3);
    for (int i = 1; i <= 5; ++i) log.append(Numbered(i));
    EXPECT_EQ(Arguments(log.take()),
              (std::vector<std::string>{"address=3", "address=4", "address=5"}));
    EXPECT_EQ(log.dropped(), 2u);
    EXPECT_EQ(log.waiting(), 0u);
}

TEST(ExchangeLogStore, AnnouncesEachBatchOnce) {
    tilvane::ExchangeLog log;
    int announced = 0;
    log.append(Numbered(1));
    log.set_ready_hook([&announced] { ++announced; });
    EXPECT_EQ(announced, 1);  // what waited before the hook
    log.append(Numbered(2));
    EXPECT_EQ(announced, 1);
    log.take();
    log.append(Numbered(3));
    log.append(Numbered(4));
    EXPECT_EQ(announced, 2);
}

struct BoundCase {
    const char *behaviour;
    std::size_t capacity;
    std::vector<int> batches;  // calls recorded before each take
    std::vector<std::string> rows;
};

void PrintTo(const BoundCase &c, std::ostream *os) { *os << c.behaviour; }

class ExchangeLogBound : public ::testing::TestWithParam<BoundCase> {};

TEST_P(ExchangeLogBound, TheListKeepsTheNewestCalls) {
    const BoundCase &c = GetParam();
    auto log = std::make_shared<tilvane::ExchangeLog>(c.capacity);
    tilvane::ExchangeLogModel model(log);
    int number = 0;
    for (int batch : c.batches) {
        for (int i = 0; i < batch; ++i) log->append(Numbered(++number));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(Rows(model), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, ExchangeLogBound,
    ::testing::Values(
        BoundCase{"under the bound", 4, {2, 1}, {"address=1", "address=2", "address=3"}},
        BoundCase{"the oldest rows give way",
                  4,
                  {3, 3},
                  {"address=3", "address=4", "address=5", "address=6"}},
        BoundCase{"a batch larger than the bound", 2, {1, 5}, {"address=5", "address=6"}}));

TEST(ExchangeLogBound, HoldsTheNewestTenThousandCalls) {
    auto log = std::make_shared<tilvane::ExchangeLog>();
    tilvane::ExchangeLogModel model(log);
    for (int i = 1; i <= 10001; ++i) log->append(Numbered(i));
    QCoreApplication::processEvents();
    ASSERT_EQ(model.rowCount(), 10000);
    EXPECT_EQ(Rows(model).front(), "address=2");
    EXPECT_EQ(Rows(model).back(), "address=10001");
}

TEST(ExchangeLogPause, HoldsCallsUntilResumedAndClearTakesThemToo) {
    auto log = std::make_shared<tilvane::ExchangeLog>();
    tilvane::ExchangeLogModel model(log);
    model.SetPaused(true);
    log->append(Numbered(1));
    log->append(Numbered(2));
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(log->waiting(), 2u);
    model.SetPaused(false);
    EXPECT_EQ(Rows(model), (std::vector<std::string>{"address=1", "address=2"}));

    model.SetPaused(true);
    log->append(Numbered(3));
    model.Clear();
    model.SetPaused(false);
    EXPECT_EQ(model.rowCount(), 0);
    log->append(Numbered(4));
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows(model), std::vector<std::string>{"address=4"});
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
        const ReaderApi api = state.api;  // the worker's copy
        std::thread worker([api] {
            for (int block = 0; block < 200; ++block) api.rf_M1_restore(0, block);
        });
        worker.join();
    }
    EXPECT_EQ(model.rowCount(), 0);  // nothing reaches the list off the GUI thread
    QCoreApplication::processEvents();
    ASSERT_EQ(model.rowCount(), 200);
    EXPECT_EQ(inserted.count(), 1);
    for (int row = 0; row < 200; ++row) {
        EXPECT_EQ(model.Text(row, tilvane::ExchangeLogModel::kArguments),
                  QStringLiteral("address=0, block=%1").arg(row));
    }
}

}  // namespace
