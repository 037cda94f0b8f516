// Faults of the card and of the line while pcscd uses the reader: each ends in an
// error within the transport's bounds, the card reported absent, and the driver
// going on.

#include <filesystem>
#include <thread>

#include "driver_fixture.h"

namespace pcsc_test {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct CardFault {
    const char *name;
    const char *kind;
    const char *fault;  // a reader-sim command
    const char *apdu;
    bool card_stays;  // the card answers again after the fault
};

class CardFaults : public ::testing::TestWithParam<CardFault> {};

// The APDU fails; the next presence question says "absent", so pcscd ends the
// card's sessions; a card still in the field comes back as a new card.
TEST_P(CardFaults, EndTheCardsSession) {
    const CardFault &row = GetParam();
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({row.kind}));
    reader.insert_and_power(0);
    ASSERT_EQ(reader.sim(row.fault).rfind("ok", 0), 0u);
    const auto start = steady_clock::now();
    RESPONSECODE result = 0;
    const Bytes answer = reader.transmit(0, hex(row.apdu), result);
    EXPECT_EQ(result, IFD_COMMUNICATION_ERROR);
    EXPECT_TRUE(answer.empty());
    EXPECT_LT(steady_clock::now() - start, milliseconds(1500));
    EXPECT_EQ(reader.presence(0), IFD_ICC_NOT_PRESENT);
    if (row.card_stays) {
        EXPECT_FALSE(reader.insert_and_power(0).empty());
        EXPECT_EQ(reader.exchange(0, "FFCA000000").size(), 12u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CardFaults,
    ::testing::Values(
        CardFault{"ProcessorCardLeavesMidApdu", "cpu-a", "remove all", "0084000008", false},
        CardFault{"TypeBCardLeavesMidApdu", "cpu-b", "remove all", "0084000008", false},
        CardFault{"StorageCardLeavesMidRead", "ultralight", "remove all", "FFB0000410", false},
        CardFault{"AnswerCutInHalf", "cpu-a", "fault drop", "0084000008", true},
        CardFault{"ReaderSilentAWhile", "cpu-b", "fault silent 800", "0084000008", true}),
    [](const auto &info) { return std::string(info.param.name); });

// An unplugged reader: errors at once, no card, the failure in the log once,
// and pcscd's calls return within the transport's bounds however often they come.
TEST(Faults, AnUnpluggedReaderIsNoCardAndFailsFast) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"cpu-a"}));
    reader.insert_and_power(0);
    ASSERT_EQ(reader.sim("fault unplug"), "ok");
    ::testing::internal::CaptureStderr();
    const auto start = steady_clock::now();
    RESPONSECODE result = 0;
    reader.transmit(0, hex("0084000008"), result);
    EXPECT_EQ(result, IFD_COMMUNICATION_ERROR);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(reader.presence(0), IFD_ICC_NOT_PRESENT);
        EXPECT_EQ(reader.presence(1), IFD_ICC_NOT_PRESENT);
        reader.power(0, result);
        EXPECT_NE(result, IFD_SUCCESS);
        std::this_thread::sleep_for(milliseconds(50));
    }
    EXPECT_LT(steady_clock::now() - start, milliseconds(3000));
    const std::string log = ::testing::internal::GetCapturedStderr();
    std::size_t reports = 0;
    for (std::size_t at = log.find("\n"); at != std::string::npos; at = log.find("\n", at + 1)) {
        ++reports;
    }
    EXPECT_EQ(reports, 1u) << "one line in the log:\n" << log;
    EXPECT_EQ(reader.close(0), IFD_SUCCESS);
    EXPECT_EQ(reader.close(1), IFD_SUCCESS);
}

// A reader that went away and came back at the same path is served again: the
// path is a link, as /dev/serial/by-id/ names are, moved to another simulator.
TEST(Faults, AReaderBackAtItsPathIsServedAgain) {
    SimulatedReader first, second;
    ASSERT_TRUE(first.start_sim({"mifare1k"}));
    ASSERT_TRUE(second.start_sim({"mifare4k"}));
    const std::string link = ::testing::TempDir() + "/pcsc-reader-link";
    std::filesystem::remove(link);
    std::filesystem::create_symlink(first.device(), link);
    ASSERT_EQ(first.open_named(0, link + ":115200"), IFD_SUCCESS);
    EXPECT_EQ(hex(first.insert_and_power(0)).substr(24, 6), "030001");

    ASSERT_EQ(first.sim("fault unplug"), "ok");
    EXPECT_TRUE(first.await_presence(0, IFD_ICC_NOT_PRESENT));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.device(), link);
    EXPECT_TRUE(first.await_presence(0, IFD_ICC_PRESENT, std::chrono::seconds(6)));
    EXPECT_EQ(hex(first.insert_and_power(0)).substr(24, 6), "030002");
    std::filesystem::remove(link);
}

}  // namespace
}  // namespace pcsc_test
