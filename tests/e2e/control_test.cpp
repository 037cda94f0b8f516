// The simulator changed while the library works with it, through its control
// commands: cards taken out and put in between two commands of one operation, and
// faults of the line while the library is in an exchange.

#include <future>
#include <thread>

#include "selmek_results.h"
#include "e2e_fixture.h"
#include "transport_environment.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const std::uint8_t kDefaultKey[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The first-byte wait of these tests: long enough to tell a fault's own end from
// a timeout.
constexpr milliseconds kWait = 1000ms;

class Control : public ReaderTest {
protected:
    // Connects with the transport waiting kWait for an answer's first byte.
    void connect_waiting(const std::vector<std::string> &cards) {
        std::vector<std::string> arguments = {"--baud", "115200"};
        for (const auto &card : cards) arguments.insert(arguments.end(), {"--card", card});
        std::string error;
        ASSERT_TRUE(sim_.start(std::string(TILVANE_BIN_DIR) + "/reader-sim", arguments, error))
            << error;
        test_support::use_device(1, sim_.device());
        test_support::use_waits(kWait, 150ms);
        ASSERT_EQ(DROVIK(rf_init_com)(1, 115200), 0);
        connected_ = true;
    }
    // The Mifare search: request, anticollision, select; the UID.
    Bytes search() {
        power_up('A');
        std::uint8_t atqa[2] = {}, uid[10] = {}, length = 0, sak = 0;
        EXPECT_EQ(DROVIK(rf_request)(0, 0x52, atqa), 0);
        EXPECT_EQ(DROVIK(rf_anticoll)(0, 4, uid, &length), 0);
        EXPECT_EQ(DROVIK(rf_select)(0, uid, length, &sak), 0);
        return bytes(uid, length);
    }
    std::int32_t read_block(std::int32_t block, Bytes &data) {
        std::uint8_t buffer[16] = {};
        std::uint8_t length = 0;
        const std::int32_t result = DROVIK(rf_M1_read)(0, block, buffer, &length);
        data = bytes(buffer, length);
        return result;
    }
};

TEST_F(Control, ACardTakenOutBetweenTwoCommandsOfAnOperationNoLongerAnswersAndANewOneIsFound) {
    connect_waiting({"mifare1k"});
    ASSERT_EQ(search(), (Bytes{0x5A, 0x3C, 0x71, 0xE2}));
    ASSERT_EQ(DROVIK(rf_M1_authentication2)(0, 0x60, 4, kDefaultKey), 0);
    ASSERT_EQ(sim_.command("remove 5A3C71E2"), "ok 1 mifare1k 5A3C71E2");
    Bytes data;
    EXPECT_EQ(read_block(4, data), 0x02) << "the reader's no card";

    ASSERT_EQ(sim_.command("insert mifare1k UID=01020304"), "ok 01020304");
    EXPECT_EQ(search(), (Bytes{0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(sim_.command("cards"), "ok 1 mifare1k 01020304");
}

// ---- Faults while the library is in an exchange ----------------------------------

struct Fault {
    const char *name;
    std::vector<std::string> before;  // commands before the exchange
    std::string during;               // a command 200 ms into it, or none
    std::int32_t expected;
    milliseconds at_least;
    milliseconds at_most;
};

void PrintTo(const Fault &f, std::ostream *os) { *os << f.name; }

// At 115200 baud the longest frame takes 45 ms on the line; the frame deadline is
// that and the wait from the first byte on.
const Fault kFaults[] = {
    {"silent_reader", {"fault silent 3000"}, "", SELMEK_ERR_TIMEOUT, kWait, kWait + 500ms},
    {"answer_cut_in_half", {"fault drop"}, "", SELMEK_ERR_INCOMPLETE_FRAME, kWait, kWait + 500ms},
    {"junk_before_the_answer", {"fault garbage 1024"}, "", 0, 0ms, 500ms},
    {"unplugged_between_exchanges", {"fault unplug"}, "", SELMEK_ERR_DEVICE_GONE, 0ms, 500ms},
    {"unplugged_while_waiting_for_the_answer",
     {"fault silent 3000"},
     "fault unplug",
     SELMEK_ERR_DEVICE_GONE,
     200ms,
     700ms},
};

class FaultInAnExchange : public Control, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultInAnExchange, EndsWithTheTransportsResultWithinItsBound) {
    const Fault &fault = GetParam();
    connect_waiting({});
    for (const auto &command : fault.before) ASSERT_EQ(sim_.command(command), "ok") << command;

    const auto start = Clock::now();
    auto exchange = std::async(std::launch::async, [] {
        std::uint8_t model[2] = {};
        const std::int32_t result = DROVIK(rf_get_model)(0, model);
        return result == 0 && bytes(model, 2) != Bytes{0x02, 0x10} ? -1 : result;
    });
    if (!fault.during.empty()) {
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(sim_.command(fault.during), "ok");
    }
    const std::int32_t result = exchange.get();
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    EXPECT_EQ(result, fault.expected);
    EXPECT_GE(took, fault.at_least);
    EXPECT_LE(took, fault.at_most);
}

INSTANTIATE_TEST_SUITE_P(Control, FaultInAnExchange, ::testing::ValuesIn(kFaults),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
