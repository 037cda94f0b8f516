// Connecting through the auto-baud search and the reader's own commands.

#include "e2e_fixture.h"
#include "transport_environment.h"

namespace {

using namespace e2e;

class Connection : public ReaderTest {};

TEST_F(Connection, TheAutoBaudSearchFindsAReaderAtAnotherRateAndBringsItToTheWantedOne) {
    ASSERT_EQ(connect({}, 38400, 115200), 0);
    // Both ends are at 115200 now: commands go through at once.
    std::uint8_t model[2] = {};
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), 0);
    EXPECT_EQ(bytes(model, 2), (Bytes{0x02, 0x10}));
}

TEST_F(Connection, TheAutoBaudSearchFindsAReaderPacedAsARealLineWithTheDefaultWaits) {
    std::string error;
    ASSERT_TRUE(sim_.start(std::string(TILVANE_BIN_DIR) + "/reader-sim",
                           {"--realtime", "--baud", "115200"}, error))
        << error;
    test_support::use_device(1, sim_.device());
    // The transport's own defaults: every probe of the search must be answered
    // within the turnaround allowance. The reader's rate is the last one tried.
    test_support::use_waits(std::chrono::milliseconds(500), std::chrono::milliseconds(50));
    ASSERT_EQ(DROVIK(rf_init_com)(1, 9600), 0);
    connected_ = true;
    std::uint8_t model[2] = {};
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), 0);
}

TEST_F(Connection, ConnectingAtTheReadersOwnRateAndAgainAfterClosing) {
    ASSERT_EQ(connect({}, 19200, 19200), 0);
    EXPECT_EQ(DROVIK(rf_beep)(0, 5), 0);
    EXPECT_EQ(DROVIK(rf_ClosePort)(), 0);
    // A rate with no B constant: the reader follows to 28800 and answers there.
    EXPECT_EQ(DROVIK(rf_init_com)(1, 28800), 0);
    EXPECT_EQ(DROVIK(rf_beep)(0, 5), 0);
}

TEST_F(Connection, NoReaderAtAnyRateFailsWithTheTransportsResult) {
    ASSERT_EQ(connect({}), 0);
    DROVIK(rf_ClosePort)();
    connected_ = false;
    sim_.stop();  // the device is gone with it
    EXPECT_NE(DROVIK(rf_init_com)(1, 115200), 0);
}

TEST_F(Connection, DeviceCommandsOfTheSettingsDialog) {
    ASSERT_EQ(connect({}), 0);
    std::uint8_t serial[8] = {};
    EXPECT_EQ(DROVIK(rf_get_snr)(0, serial), 0);
    EXPECT_EQ(bytes(serial, 8), (Bytes{0x20, 0x24, 0x05, 0x17, 0x00, 0x00, 0x31, 0x42}));
    std::uint32_t version = 0;
    EXPECT_EQ(DROVIK(lib_ver)(&version), 0);
    EXPECT_EQ(version, 2u);

    // The device flag: written, read back, and the reader still answers address 0.
    EXPECT_EQ(DROVIK(rf_init_device_number)(0x1234), 0);
    std::uint16_t address = 0;
    EXPECT_EQ(DROVIK(rf_get_device_number)(&address), 0);
    EXPECT_EQ(address, 0x1234);
    EXPECT_EQ(DROVIK(rf_beep)(0x1234, 1), 0);
    EXPECT_EQ(DROVIK(rf_init_device_number)(0), 0);

    EXPECT_EQ(DROVIK(rf_beep)(0, 10), 0);
    for (std::int32_t colour = 0; colour <= 3; ++colour) EXPECT_EQ(DROVIK(rf_light)(0, colour), 0);
    EXPECT_EQ(DROVIK(rf_light)(0, 4), 0x0A);  // the reader's "bad parameter"
    EXPECT_EQ(DROVIK(rf_GetErrorMessage)(), 0x0A);
    EXPECT_EQ(DROVIK(rf_antenna_sta)(0, 0), 0);
    EXPECT_EQ(DROVIK(rf_antenna_sta)(0, 1), 0);
}

TEST_F(Connection, DisplayAndFlashMemory) {
    ASSERT_EQ(connect({}), 0);
    const std::uint8_t digits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(DROVIK(rf_display)(0, 1, 3, digits), 0);

    std::uint8_t data[224];
    for (int i = 0; i < 224; ++i) data[i] = static_cast<std::uint8_t>(i ^ 0xAA);
    EXPECT_EQ(DROVIK(rf_flash_write)(0, 7, 32, 224, data), 0);
    std::uint8_t back[200] = {};
    EXPECT_EQ(DROVIK(rf_flash_read)(0, 7, 32, 200, back), 0);
    EXPECT_EQ(bytes(back, 200), bytes(data, 200));
    EXPECT_EQ(DROVIK(rf_flash_read)(0, 64, 0, 1, back), 0x08);  // no such page
}

TEST(ReaderSimOptions, RefusesWhatItCannotServe) {
    const std::vector<std::vector<std::string>> refused = {
        // 2^32 + 9600, and minus (2^32 - 9600): both come to 9600 modulo 2^32.
        {"--baud", "4294976896"},
        {"--baud", "-4294957696"},
        {"--baud", "9600x"},
        // A turnaround paces nothing without the line's speed.
        {"--turnaround", "memory=8"},
        {"--realtime", "--turnaround", "memory"},
    };
    for (const auto &arguments : refused) {
        test_support::SimProcess sim;
        std::string error;
        EXPECT_FALSE(sim.start(std::string(TILVANE_BIN_DIR) + "/reader-sim", arguments, error))
            << arguments.back();
    }
}

}  // namespace
