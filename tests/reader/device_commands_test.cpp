// Port and device commands through the loaded library and the recording transport:
// the bytes each command sends, its reply rule, the last status and the auto-baud
// search.

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "reader_fixture.h"

namespace {

using reader_test::Bytes;

class DeviceCommands : public reader_test::LoadedLibraryTest {};

TEST_F(DeviceCommands, BeepSendsTheTimeInTensOfMilliseconds) {
    EXPECT_EQ(EXPORT(rf_beep)(0, 10), 0);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0], (Bytes{0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x0A, 0xF6}));
}

TEST_F(DeviceCommands, SerialNumberRequestEscapesAnAddressByteOfAA) {
    std::uint8_t serial[8];
    fake_selmek::respond(0, {1, 2, 3, 4, 5, 6, 7, 8});
    fake_selmek::respond(0, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(EXPORT(rf_get_snr)(0, serial), 0);
    EXPECT_EQ(EXPORT(rf_get_snr)(0x00AA, serial), 0);
    EXPECT_EQ(sent()[0], (Bytes{0xAA, 0xBB, 0x04, 0xFB, 0x00, 0x00, 0x05, 0xFE}));
    EXPECT_EQ(sent()[1], (Bytes{0xAA, 0xBB, 0x04, 0xFB, 0xAA, 0x00, 0x00, 0x05, 0x54}));
}

TEST_F(DeviceCommands, OnlyTheLowSixteenBitsOfTheAddressAndTheLowByteOfAnArgumentAreSent) {
    EXPECT_EQ(EXPORT(rf_light)(0x12340102, 0x1FF03), 0);
    EXPECT_EQ(sent()[0], (Bytes{0xAA, 0xBB, 0x05, 0xFA, 0x02, 0x01, 0x27, 0x03, 0xDD}));
}

TEST_F(DeviceCommands, FixedSizeReplyIsCopiedOnlyWhenItsSizeIsRight) {
    std::uint8_t serial[8] = {};
    // Length byte 13: eight data bytes from position 8.
    fake_selmek::respond(0, {0x10, 0x11, 0x12, 0xAA, 0x14, 0x15, 0x16, 0x17});
    EXPECT_EQ(EXPORT(rf_get_snr)(0, serial), 0);
    EXPECT_EQ(Bytes(serial, serial + 8), (Bytes{0x10, 0x11, 0x12, 0xAA, 0x14, 0x15, 0x16, 0x17}));

    std::uint8_t model[2] = {0xEE, 0xEE};
    fake_selmek::respond(0, {0x01, 0x02, 0x03});
    EXPECT_EQ(EXPORT(rf_get_model)(0, model), 1);
    EXPECT_EQ(model[0], 0xEE);  // nothing copied
    fake_selmek::respond(0, {0x01, 0x02});
    EXPECT_EQ(EXPORT(rf_get_model)(0, model), 0);
    EXPECT_EQ(model[1], 0x02);
}

TEST_F(DeviceCommands, AReplyWithALengthByteOfFourOrLessCarriesNoData) {
    std::uint8_t model[2];
    // Status 0, then bytes that a length byte of 4 does not announce.
    fake_selmek::respond_raw({0xAA, 0xBB, 0x04, 0xFB, 0x00, 0x00, 0x04, 0x00, 0x01, 0x02, 0x00});
    EXPECT_EQ(EXPORT(rf_get_model)(0, model), 1);
    fake_selmek::respond_raw({0xAA, 0xBB, 0x04, 0xFB, 0x00, 0x00, 0x60, 0x00, 0x01, 0x02, 0x00});
    EXPECT_EQ(EXPORT(rf_display)(0, 0, 0, Bytes(8).data()), 0);
}

TEST_F(DeviceCommands, TransportResultsAndReaderStatusesPassThroughUnchanged) {
    fake_selmek::fail(0x0A);
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), 0x0A);
    fake_selmek::respond(0x0A);
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), 0x0A);
    fake_selmek::fail(SELMEK_ERR_TIMEOUT);
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), SELMEK_ERR_TIMEOUT);
    // A status byte that the unescaping brings into place: 0xAA then its stuffing.
    fake_selmek::respond(0xAA);
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), 0xAA);
}

TEST_F(DeviceCommands, UnescapingDropsTheByteAfterAnAAWhateverItIs) {
    std::uint8_t model[2];
    // Data AA 37 on the wire with 37 in place of the usual 00: one data byte AA,
    // then the real second byte 0x05.
    fake_selmek::respond_raw(
        {0xAA, 0xBB, 0x07, 0xF8, 0x00, 0x00, 0x04, 0x00, 0xAA, 0x37, 0x05, 0x00});
    EXPECT_EQ(EXPORT(rf_get_model)(0, model), 0);
    EXPECT_EQ(model[0], 0xAA);
    EXPECT_EQ(model[1], 0x05);
}

TEST_F(DeviceCommands, AResponseCutShortIsAFailureNotZerosTakenForData) {
    std::uint8_t serial[8];
    // No status byte at all.
    fake_selmek::respond_raw({0xAA, 0xBB, 0x0D, 0xF2, 0x00, 0x00, 0x05});
    EXPECT_EQ(EXPORT(rf_get_snr)(0, serial), 1);
    // Length byte announces 8 data bytes, 3 arrived.
    fake_selmek::respond_raw({0xAA, 0xBB, 0x0D, 0xF2, 0x00, 0x00, 0x05, 0x00, 1, 2, 3});
    EXPECT_EQ(EXPORT(rf_get_snr)(0, serial), 1);
    // A command without reply data still needs the status byte.
    fake_selmek::respond_raw({0xAA, 0xBB});
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), 1);
    // Nothing at all.
    fake_selmek::respond_raw({});
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), 1);
}

TEST_F(DeviceCommands, NullOutputsAreRefusedWithNothingSent) {
    EXPECT_EQ(EXPORT(lib_ver)(nullptr), 1);
    EXPECT_EQ(EXPORT(rf_get_device_number)(nullptr), 1);
    EXPECT_EQ(EXPORT(rf_get_model)(0, nullptr), 1);
    EXPECT_EQ(EXPORT(rf_get_snr)(0, nullptr), 1);
    EXPECT_EQ(EXPORT(rf_display)(0, 1, 0, nullptr), 1);
    EXPECT_EQ(EXPORT(rf_flash_write)(0, 1, 0, 4, nullptr), 1);
    EXPECT_EQ(EXPORT(rf_flash_read)(0, 1, 0, 4, nullptr), 1);
    EXPECT_TRUE(sent().empty());
}

TEST_F(DeviceCommands, LastStatusFollowsEveryFinishedCommandButNotARejectedOne) {
    EXPECT_EQ(EXPORT(rf_GetErrorMessage)(), 0);  // right after load
    fake_selmek::respond(0x0A);
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), 0x0A);
    EXPECT_EQ(EXPORT(rf_GetErrorMessage)(), 0x0A);

    EXPECT_EQ(EXPORT(rf_flash_read)(0, 0, 0, 201, Bytes(256).data()), 1);
    EXPECT_EQ(EXPORT(rf_get_snr)(0, nullptr), 1);
    EXPECT_EQ(EXPORT(rf_GetErrorMessage)(), 0x0A);

    fake_selmek::respond(0x00);
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), 0);
    EXPECT_EQ(EXPORT(rf_GetErrorMessage)(), 0);

    // A failed exchange leaves what the transport put at position 7.
    fake_selmek::respond_raw({0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x06, 0x33}, SELMEK_ERR_TIMEOUT);
    EXPECT_EQ(EXPORT(rf_beep)(0, 1), SELMEK_ERR_TIMEOUT);
    EXPECT_EQ(EXPORT(rf_GetErrorMessage)(), 0x33);
}

TEST_F(DeviceCommands, LibraryVersionIsTwo) {
    std::uint32_t version = 0;
    EXPECT_EQ(EXPORT(lib_ver)(&version), 0);
    EXPECT_EQ(version, 2u);
    EXPECT_TRUE(sent().empty());
}

TEST_F(DeviceCommands, DeviceNumberIsSetAndReadAtAddressZero) {
    EXPECT_EQ(EXPORT(rf_init_device_number)(0x1234), 0);
    EXPECT_EQ(sent()[0], (Bytes{0xAA, 0xBB, 0x06, 0xF9, 0x00, 0x00, 0x02, 0x34, 0x12, 0xDD}));

    fake_selmek::respond_raw(fake_selmek::reader_frame(0, {}, 0x1234));
    std::uint16_t address = 0;
    EXPECT_EQ(EXPORT(rf_get_device_number)(&address), 0);
    EXPECT_EQ(address, 0x1234);
    EXPECT_EQ(sent()[1], (Bytes{0xAA, 0xBB, 0x04, 0xFB, 0x00, 0x00, 0x03, 0xF8}));
}

TEST_F(DeviceCommands, DisplayTurnsDigitsIntoSegmentsWithTheDecimalPoint) {
    const Bytes digits = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(EXPORT(rf_display)(0, 1, 3, digits.data()), 0);
    EXPECT_EQ(sent_data(), (Bytes{0x30, 0x6D, 0xF9, 0x33, 0x5B, 0x5F, 0x70, 0x7F}));

    const Bytes blank_and_zero = {10, 0, 9, 10, 10, 10, 10, 10};
    EXPECT_EQ(EXPORT(rf_display)(0, 1, 0, blank_and_zero.data()), 0);
    EXPECT_EQ(sent_data(1), (Bytes{0x00, 0x7E, 0x7B, 0x00, 0x00, 0x00, 0x00, 0x00}));

    const Bytes raw = {0xFF, 0x80, 0x00, 0x01, 0x02, 0x03, 0x04, 0xAA};
    EXPECT_EQ(EXPORT(rf_display)(0, 0, 99, raw.data()), 0);  // point ignored in raw mode
    EXPECT_EQ(sent_data(2), raw);
}

TEST_F(DeviceCommands, DisplayRefusesBadDigitsAndPointsAndAnyReplyData) {
    const Bytes bad = {1, 2, 3, 11, 5, 6, 7, 8};
    EXPECT_EQ(EXPORT(rf_display)(0, 1, 0, bad.data()), 1);
    const Bytes good = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(EXPORT(rf_display)(0, 1, 9, good.data()), 1);
    EXPECT_TRUE(sent().empty());

    fake_selmek::respond(0, {0x01});
    EXPECT_EQ(EXPORT(rf_display)(0, 1, 8, good.data()), 1);
}

TEST_F(DeviceCommands, FlashWriteStaysWithinOnePageAnd224Bytes) {
    const Bytes data(256, 0x5A);
    EXPECT_EQ(EXPORT(rf_flash_write)(0, 1, 200, 57, data.data()), 1);
    EXPECT_EQ(EXPORT(rf_flash_write)(0, 1, 0, 225, data.data()), 1);
    EXPECT_TRUE(sent().empty());

    EXPECT_EQ(EXPORT(rf_flash_write)(0, 0x0102, 32, 224, data.data()), 0);
    const Bytes request = sent_data();
    ASSERT_EQ(request.size(), 228u);
    EXPECT_EQ(Bytes(request.begin(), request.begin() + 4), (Bytes{0x01, 0x02, 32, 224}));

    fake_selmek::respond(0, {0x00});
    EXPECT_EQ(EXPORT(rf_flash_write)(0, 1, 0, 1, data.data()), 1);  // reply data not allowed
}

TEST_F(DeviceCommands, LengthBytesOfAAAndComplementsOfAAAreEscapedOnTheWire) {
    const Bytes data(256, 0x00);
    // 162 + 4 = 166 data bytes: length byte 0xAA.
    EXPECT_EQ(EXPORT(rf_flash_write)(0, 0, 0, 162, data.data()), 0);
    EXPECT_EQ(Bytes(sent()[0].begin(), sent()[0].begin() + 5),
              (Bytes{0xAA, 0xBB, 0xAA, 0x00, 0x55}));
    // 77 + 4 = 81 data bytes: complemented length 0xAA.
    EXPECT_EQ(EXPORT(rf_flash_write)(0, 0, 0, 77, data.data()), 0);
    EXPECT_EQ(Bytes(sent()[1].begin(), sent()[1].begin() + 5),
              (Bytes{0xAA, 0xBB, 0x55, 0xAA, 0x00}));
}

TEST_F(DeviceCommands, FlashReadNeedsExactlyTheCountRequested) {
    Bytes out(256, 0xEE);
    EXPECT_EQ(EXPORT(rf_flash_read)(0, 1, 0, 201, out.data()), 1);
    EXPECT_EQ(EXPORT(rf_flash_read)(0, 1, 100, 157, out.data()), 1);
    EXPECT_TRUE(sent().empty());

    fake_selmek::respond(0, Bytes(15, 0x11));
    EXPECT_EQ(EXPORT(rf_flash_read)(0, 0x0203, 16, 16, out.data()), 1);
    EXPECT_EQ(out[0], 0xEE);
    EXPECT_EQ(sent_data(), (Bytes{0x02, 0x03, 16, 16}));

    fake_selmek::respond(0, Bytes(16, 0x11));
    EXPECT_EQ(EXPORT(rf_flash_read)(0, 0x0203, 16, 16, out.data()), 0);
    EXPECT_EQ(out[15], 0x11);
    EXPECT_EQ(out[16], 0xEE);
}

TEST_F(DeviceCommands, ClosePortClosesTheTransport) {
    EXPECT_EQ(EXPORT(rf_ClosePort)(), 0);
    EXPECT_EQ(transport().close_calls, 1);
}

TEST_F(DeviceCommands, FreeReleasesLibraryHeapMemoryAndIgnoresNull) {
    EXPORT(rf_free)(nullptr);
    EXPORT(rf_free)(std::malloc(16));  // the sanitizer build catches a mismatch
}

// ---- rf_init_com -------------------------------------------------------------

class OpeningThePort : public reader_test::LoadedLibraryTest {};

TEST_F(OpeningThePort, RefusesPortsOutsideOneToSixteenWithoutOpening) {
    EXPECT_EQ(EXPORT(rf_init_com)(0, 9600), 1);
    EXPECT_EQ(EXPORT(rf_init_com)(17, 9600), 1);
    EXPECT_TRUE(transport().opens.empty());
}

TEST_F(OpeningThePort, BaudZeroMeans9600AndSendsTheSetBaudFrame) {
    EXPECT_EQ(EXPORT(rf_init_com)(1, 0), 0);
    ASSERT_EQ(transport().opens.size(), 1u);
    EXPECT_EQ(transport().opens[0], std::make_pair(1, 9600));
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0], (Bytes{0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x01, 0x01, 0xFA}));
}

TEST_F(OpeningThePort, EveryRateHasItsCode) {
    const std::pair<int, std::uint8_t> rates[] = {{9600, 1},  {14400, 2}, {19200, 3}, {28800, 4},
                                                  {38400, 5}, {57600, 6}, {115200, 7}};
    for (std::size_t i = 0; i < std::size(rates); ++i) {
        EXPECT_EQ(EXPORT(rf_init_com)(16, rates[i].first), 0);
        EXPECT_EQ(sent_data(i), Bytes{rates[i].second}) << rates[i].first;
    }
}

TEST_F(OpeningThePort, AnUnknownRateOpensThePortAndThenFails) {
    EXPECT_EQ(EXPORT(rf_init_com)(2, 4800), 1);
    EXPECT_EQ(transport().opens.size(), 1u);
    EXPECT_TRUE(sent().empty());
}

TEST_F(OpeningThePort, ARateTheTransportRefusesIsABadRateToo) {
    transport().open_result = 0;
    transport().open_errno = EINVAL;
    EXPECT_EQ(EXPORT(rf_init_com)(2, -9600), 1);
    EXPECT_TRUE(sent().empty());
}

TEST_F(OpeningThePort, AFailedOpenReturnsTheSystemsReason) {
    transport().open_result = 0;
    transport().open_errno = ENOENT;
    EXPECT_EQ(EXPORT(rf_init_com)(3, 9600), ENOENT);
    transport().open_errno = EACCES;
    EXPECT_EQ(EXPORT(rf_init_com)(3, 9600), EACCES);
    // A transport that fails without a reason must not read as success.
    transport().open_errno = 0;
    EXPECT_EQ(EXPORT(rf_init_com)(3, 9600), DROVIK_ERR_OPEN_FAILED);
    EXPECT_TRUE(sent().empty());
}

TEST_F(OpeningThePort, TheFirstAnswerCountsWhateverTheStatus) {
    fake_selmek::respond(0x05);
    EXPECT_EQ(EXPORT(rf_init_com)(1, 19200), 0);
    EXPECT_TRUE(transport().baud_changes.empty());
}

TEST_F(OpeningThePort, SearchFindsAReaderAt38400AndSwitchesToTheRequestedRate) {
    transport().reader_baud = 38400;
    EXPECT_EQ(EXPORT(rf_init_com)(1, 115200), 0);
    EXPECT_EQ(transport().baud_changes,
              (std::vector<std::int32_t>{9600, 14400, 19200, 28800, 38400, 115200}));
    // The first try and five of the search, all the same set-baud-to-115200 frame.
    ASSERT_EQ(sent().size(), 6u);
    for (const Bytes &request : sent()) EXPECT_EQ(request, sent()[0]);
    EXPECT_EQ(sent_data(), Bytes{0x07});
}

TEST_F(OpeningThePort, SearchSkipsRatesWhereTheReaderRefuses) {
    transport().reader_baud = 0;
    fake_selmek::fail(SELMEK_ERR_TIMEOUT);  // the requested rate
    fake_selmek::respond(0x21);             // 9600 answers, but refuses
    fake_selmek::respond(0x00);             // 14400 acknowledges
    EXPECT_EQ(EXPORT(rf_init_com)(1, 57600), 0);
    EXPECT_EQ(transport().baud_changes, (std::vector<std::int32_t>{9600, 14400, 57600}));
}

TEST_F(OpeningThePort, WhenNoRateAnswersTheLastFailureIsReturnedAt115200) {
    transport().reader_baud = 1200;  // nothing the search tries
    transport().wrong_rate_result = SELMEK_ERR_TIMEOUT;
    EXPECT_EQ(EXPORT(rf_init_com)(1, 9600), SELMEK_ERR_TIMEOUT);
    // 9600, the rate asked for, is tried first and only once.
    EXPECT_EQ(transport().baud_changes,
              (std::vector<std::int32_t>{14400, 19200, 28800, 38400, 57600, 115200}));
    EXPECT_EQ(transport().current_baud, 115200);
    EXPECT_EQ(sent().size(), 7u);
    EXPECT_FALSE(std::filesystem::exists(state_.rate_file(1))) << "nothing found, nothing kept";
}

TEST_F(OpeningThePort, WhenTheLastRateAnswersWithAStatusThatStatusIsReturned) {
    transport().reader_baud = 0;
    fake_selmek::fail(SELMEK_ERR_TIMEOUT);
    for (int i = 0; i < 5; ++i) fake_selmek::fail(SELMEK_ERR_TIMEOUT);
    fake_selmek::respond(0x42);
    EXPECT_EQ(EXPORT(rf_init_com)(1, 9600), 0x42);
    EXPECT_EQ(EXPORT(rf_GetErrorMessage)(), 0x42);
}

// ---- the rate the reader was last found at ------------------------------------

void remember(const test_support::StateDirectory &state, int port, const std::string &text) {
    std::filesystem::create_directories(state.rate_file(port).parent_path());
    std::ofstream(state.rate_file(port), std::ios::binary) << text;
}

std::string remembered(const test_support::StateDirectory &state, int port) {
    std::ifstream file(state.rate_file(port), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST_F(OpeningThePort, AReaderThatKeptItsRateIsFoundWithOneProbe) {
    remember(state_, 2, "38400\n");
    transport().reader_baud = 38400;
    EXPECT_EQ(EXPORT(rf_init_com)(2, 115200), 0);
    EXPECT_EQ(transport().baud_changes, (std::vector<std::int32_t>{38400, 115200}));
    EXPECT_EQ(sent().size(), 1u);
    EXPECT_EQ(remembered(state_, 2), "115200\n") << "the reader runs at the rate asked for now";
}

TEST_F(OpeningThePort, TheMemoryIsKeptPerPort) {
    transport().reader_baud = 57600;
    EXPECT_EQ(EXPORT(rf_init_com)(3, 57600), 0);
    EXPECT_EQ(remembered(state_, 3), "57600\n");
    EXPECT_FALSE(std::filesystem::exists(state_.rate_file(4)));
}

TEST_F(OpeningThePort, AWrongMemoryCostsOneProbeAndIsCorrected) {
    remember(state_, 1, "19200\n");
    transport().reader_baud = 9600;
    EXPECT_EQ(EXPORT(rf_init_com)(1, 9600), 0);
    EXPECT_EQ(transport().baud_changes, (std::vector<std::int32_t>{19200, 9600}));
    EXPECT_EQ(sent().size(), 2u);
    EXPECT_EQ(remembered(state_, 1), "9600\n");
}

class DamagedMemory : public reader_test::LoadedLibraryTest,
                      public ::testing::WithParamInterface<const char *> {};

TEST_P(DamagedMemory, IsIgnoredAndReplaced) {
    remember(state_, 1, GetParam());
    transport().reader_baud = 14400;
    EXPECT_EQ(EXPORT(rf_init_com)(1, 19200), 0);
    // The search as without memory: 19200 at the open, then the table.
    EXPECT_EQ(transport().baud_changes, (std::vector<std::int32_t>{9600, 14400, 19200}));
    EXPECT_EQ(remembered(state_, 1), "19200\n");
}

INSTANTIATE_TEST_SUITE_P(OpeningThePort, DamagedMemory,
                         ::testing::Values("", "garbage", "4800\n", "38400x\n", "-9600",
                                           "9600 9600", "96000000000000000000000"));

TEST_F(OpeningThePort, ARateThePortRefusesIsPassedOverWithoutAProbe) {
    // A network port whose server cannot set 14400 and 19200.
    transport().refused_rates = {14400, 19200};
    transport().reader_baud = 28800;
    EXPECT_EQ(EXPORT(rf_init_com)(1, 9600), 0);
    EXPECT_EQ(transport().baud_changes, (std::vector<std::int32_t>{14400, 19200, 28800, 9600}));
    EXPECT_EQ(sent().size(), 2u) << "at 9600 and at 28800 only";
}

TEST_F(OpeningThePort, APortThatCannotFollowTheReaderIsNoConnection) {
    transport().reader_baud = 38400;
    transport().refused_rates = {115200};
    transport().refused_result = SELMEK_ERR_RATE_FIXED;
    EXPECT_EQ(EXPORT(rf_init_com)(1, 115200), SELMEK_ERR_RATE_FIXED);
    EXPECT_FALSE(std::filesystem::exists(state_.rate_file(1)));
}

}  // namespace
