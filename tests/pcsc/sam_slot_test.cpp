// The SAM slot: its reset answer as the ATR, and APDUs through the reader's SAM
// exchange.

#include "driver_fixture.h"

namespace pcsc_test {
namespace {

class SamRates : public ::testing::TestWithParam<const char *> {};

TEST_P(SamRates, TheSamIsResetAndAnswers) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}, GetParam()));
    // The simulated SAM's answer to reset.
    EXPECT_EQ(hex(reader.insert_and_power(1)), "3B2D0054494C56414E452D53414D0100");
    const std::string selected = reader.exchange(1, "00A4040008F054494C5653414D00");
    EXPECT_EQ(selected.substr(selected.size() - 4), "9000");
    EXPECT_EQ(reader.exchange(1, "0084000008").size(), 20u);
    EXPECT_EQ(reader.exchange(1, "00A4040005A00000000100"), "6A82");
}

INSTANTIATE_TEST_SUITE_P(Sam, SamRates, ::testing::Values(":115200", ":115200,sam=38400"),
                         [](const auto &info) {
                             return std::string(info.param).find("sam=") == std::string::npos
                                        ? "Default"
                                        : "Sam38400";
                         });

TEST(Sam, ResetEndsTheSamsSession) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    const Bytes atr = reader.insert_and_power(1);
    ASSERT_EQ(reader.exchange(1, "00A4040008F054494C5653414D").substr(0, 2), "6F");
    RESPONSECODE result = 0;
    EXPECT_EQ(reader.power(1, result, IFD_RESET), atr);
    // Back at the MF: the application's file is not current.
    EXPECT_EQ(reader.exchange(1, "00B0000004"), "6986");
}

TEST(Sam, RefusesWhatTheReaderCannotCarry) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    reader.insert_and_power(1);
    Bytes too_long = hex("00D6000000");
    too_long.resize(252, 0x22);
    RESPONSECODE result = 0;
    EXPECT_EQ(hex(reader.transmit(1, too_long, result)), "6700");
    EXPECT_EQ(result, IFD_SUCCESS);
    reader.power(1, result, IFD_POWER_DOWN);
    reader.transmit(1, hex("0084000008"), result);
    EXPECT_EQ(result, IFD_COMMUNICATION_ERROR) << "a powered-down SAM";
}

}  // namespace
}  // namespace pcsc_test
