// The reader's own commands: rate, address, identity, beeper, light, protocol,
// antenna, display, flash, and the SAM slot.

#include "sim_reader.h"

namespace {

using namespace sim_test;

TEST(DeviceCommands, SetBaudAnswersThenSwitchesToTheRateOfItsCode) {
    const unsigned rates[] = {9600, 14400, 19200, 28800, 38400, 57600, 115200};
    for (std::uint8_t code = 1; code <= 7; ++code) {
        SimReader sim({}, 38400);
        EXPECT_TRUE(sim.send(Command::SetBaud, {code}).ok());
        EXPECT_EQ(sim.reader().baud_rate(), rates[code - 1]) << "code " << int(code);
    }
    SimReader sim({}, 38400);
    EXPECT_TRUE(has_status(sim.send(Command::SetBaud, {0}), ReaderStatus::BadParameter));
    EXPECT_TRUE(has_status(sim.send(Command::SetBaud, {8}), ReaderStatus::BadParameter));
    EXPECT_EQ(sim.reader().baud_rate(), 38400u);
}

TEST(DeviceCommands, IdentityBeeperAndLight) {
    SimReader sim({});
    EXPECT_EQ(sim.send(Command::GetModel).data, (Bytes{0x02, 0x10}));
    EXPECT_EQ(sim.send(Command::GetSerialNumber).data.size(), 8u);
    EXPECT_TRUE(sim.send(Command::Beep, {25}).ok());
    EXPECT_EQ(sim.reader().beep_count(), 1u);
    EXPECT_EQ(sim.reader().last_beep_time(), 25);
    for (std::uint8_t colour = 0; colour <= 3; ++colour) {
        EXPECT_TRUE(sim.send(Command::Light, {colour}).ok());
        EXPECT_EQ(sim.reader().light(), colour);
    }
    EXPECT_TRUE(has_status(sim.send(Command::Light, {4}), ReaderStatus::BadParameter));
    EXPECT_EQ(sim.reader().light(), 3);
}

TEST(DeviceCommands, ProtocolTypeAndAntennaTakeOnlyTheirValues) {
    SimReader sim({});
    for (const char type : {'A', 'B', 'r', 's', '1'}) {
        EXPECT_TRUE(sim.send(Command::SetProtocol, {static_cast<std::uint8_t>(type)}).ok());
        EXPECT_EQ(sim.reader().protocol_type(), type);
    }
    EXPECT_TRUE(has_status(sim.send(Command::SetProtocol, {'a'}), ReaderStatus::BadParameter));
    EXPECT_TRUE(sim.send(Command::Antenna, {0}).ok());
    EXPECT_FALSE(sim.reader().field_on());
    EXPECT_TRUE(has_status(sim.send(Command::Antenna, {2}), ReaderStatus::BadParameter));
    EXPECT_TRUE(sim.send(Command::Antenna, {1}).ok());
    EXPECT_TRUE(sim.reader().field_on());
}

TEST(DeviceCommands, DisplayKeepsTheEightPatterns) {
    SimReader sim({});
    const Bytes digits = {0x30, 0x6D, 0xF9, 0x33, 0x5B, 0x5F, 0x70, 0x7F};
    const Answer answer = sim.send(Command::Display, digits);
    EXPECT_TRUE(answer.ok());
    EXPECT_TRUE(answer.data.empty());  // the library counts data here as a failure
    EXPECT_EQ(Bytes(sim.reader().display().begin(), sim.reader().display().end()), digits);
}

TEST(DeviceCommands, FlashPagesKeepWhatIsWrittenWithinTheirBounds) {
    SimReader sim({});
    EXPECT_EQ(sim.send(Command::FlashRead, {0x00, 0x05, 0x10, 4}).data, Bytes(4, 0xFF));  // erased
    const Bytes data = {1, 2, 3, 0xAA, 5};
    EXPECT_TRUE(sim.send(Command::FlashWrite, cat({{0x00, 0x05, 0xFB, 5}, data})).ok());
    EXPECT_EQ(sim.send(Command::FlashRead, {0x00, 0x05, 0xFB, 5}).data, data);
    EXPECT_EQ(sim.send(Command::FlashRead, {0x00, 0x06, 0xFB, 5}).data, Bytes(5, 0xFF));
    // Past the page end, past the last page, a count that disagrees with the data.
    EXPECT_TRUE(has_status(sim.send(Command::FlashWrite, cat({{0x00, 0x05, 0xFC, 5}, data})),
                           ReaderStatus::BadParameter));
    EXPECT_TRUE(
        has_status(sim.send(Command::FlashRead, {0x00, 0x40, 0x00, 1}), ReaderStatus::BadAddress));
    EXPECT_TRUE(has_status(sim.send(Command::FlashWrite, cat({{0x00, 0x05, 0x00, 6}, data})),
                           ReaderStatus::BadLength));
    // The page number travels most significant byte first: 0x0100 is page 256.
    EXPECT_TRUE(
        has_status(sim.send(Command::FlashRead, {0x01, 0x00, 0x00, 1}), ReaderStatus::BadAddress));
}

TEST(Sam, AnswersOnlyAfterItsResetAndWithProperStatusWords) {
    SimReader sim({});
    EXPECT_TRUE(has_status(sim.send(Command::SamCommand, {0x00, 0x84, 0x00, 0x00, 0x08}),
                           ReaderStatus::SamNotReset));
    EXPECT_TRUE(has_status(sim.send(Command::SamConfigure, {2}), ReaderStatus::BadParameter));
    EXPECT_TRUE(sim.send(Command::SamConfigure, {1}).ok());
    EXPECT_EQ(sim.reader().sam().rate(), 38400u);

    const Answer atr = sim.send(Command::SamReset);
    ASSERT_TRUE(atr.ok());
    EXPECT_EQ(atr.data[0], 0x3B);
    EXPECT_EQ(atr.data.size(), 3u + (atr.data[1] & 0x0F));  // TS T0 TB1 and the historical bytes

    const Answer challenge = sim.send(Command::SamCommand, {0x00, 0x84, 0x00, 0x00, 0x08});
    ASSERT_TRUE(challenge.ok());
    ASSERT_EQ(challenge.data.size(), 10u);
    EXPECT_EQ(Bytes(challenge.data.end() - 2, challenge.data.end()), (Bytes{0x90, 0x00}));
    EXPECT_EQ(sim.send(Command::SamCommand, {0x00, 0xCA, 0x00, 0x00, 0x00}).data,
              (Bytes{0x6D, 0x00}));
    EXPECT_EQ(sim.send(Command::SamCommand, {0x00, 0xB0, 0x96, 0x00, 0x06}).data,
              (Bytes{0x00, 0x00, 0x12, 0x34, 0x56, 0x78, 0x90, 0x00}));
    // Configuring the slot again takes the SAM out of use until the next reset.
    EXPECT_TRUE(sim.send(Command::SamConfigure, {0}).ok());
    EXPECT_TRUE(has_status(sim.send(Command::SamCommand, {0x00, 0x84, 0x00, 0x00, 0x08}),
                           ReaderStatus::SamNotReset));
}

}  // namespace
