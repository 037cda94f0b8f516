// A reader on the network: reader-sim's pseudo-terminal served by Debian's
// ser2net on 127.0.0.1, once as Telnet with RFC 2217 and once as a raw TCP
// stream, and the real libraries connecting to it by its address. Through it:
// the auto-baud search, a whole Mifare Classic read, and the transport's faults
// (the server stopped mid-frame, silent, junk before an answer).

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "e2e_fixture.h"
#include "ser2net_process.h"
#include "transport_environment.h"

namespace {

using namespace e2e;
using namespace std::chrono_literals;
using Kind = test_support::Ser2netProcess::Kind;

const Bytes kKeyA(6, 0xFF);

class NetworkReader : public ReaderTest {
protected:
    void SetUp() override {
        if (test_support::Ser2netProcess::program().empty()) {
            GTEST_SKIP() << "ser2net is not installed: scripts/install-deps.sh installs it";
        }
    }

    // reader-sim at `sim_baud` with `cards`, served by ser2net (its line at
    // `line_rate`) and named as port 1 by `address` (the server's own when
    // empty) plus `options`; the result of rf_init_com(1, baud).
    std::int32_t connect_through(Kind kind, unsigned sim_baud, std::int32_t line_rate,
                                 std::int32_t baud, const std::vector<std::string> &cards = {},
                                 const std::string &options = "") {
        std::vector<std::string> arguments = {"--baud", std::to_string(sim_baud)};
        for (const auto &card : cards) {
            arguments.push_back("--card");
            arguments.push_back(card);
        }
        std::string error;
        if (!sim_.start(std::string(TILVANE_BIN_DIR) + "/reader-sim", arguments, error) ||
            !server_.start(sim_.device(), kind, line_rate, error)) {
            ADD_FAILURE() << error;
            return -1;
        }
        test_support::use_device(1, server_.address() + options);
        test_support::use_waits(500ms, 150ms);
        const std::int32_t result = DROVIK(rf_init_com)(1, baud);
        connected_ = result == 0;
        return result;
    }

    // Every block of a Mifare Classic 1K with key A; the data blocks must equal
    // what the simulator holds.
    void read_whole_card() {
        power_up('A');
        std::uint8_t atqa[2] = {};
        ASSERT_EQ(DROVIK(rf_request)(0, 0x52, atqa), 0);
        std::uint8_t uid[10] = {};
        std::uint8_t uid_length = 0;
        ASSERT_EQ(DROVIK(rf_anticoll)(0, 4, uid, &uid_length), 0);
        std::uint8_t sak[1] = {};
        ASSERT_EQ(DROVIK(rf_select)(0, uid, uid_length, sak), 0);

        const auto dump = state_.path() / "card.bin";
        ASSERT_EQ(sim_.command("save mifare1k " + dump.string()), "ok 1024");
        std::ifstream file(dump, std::ios::binary);
        const Bytes memory{std::istreambuf_iterator<char>(file), {}};
        ASSERT_EQ(memory.size(), 1024u);

        for (int sector = 0; sector < 16; ++sector) {
            ASSERT_EQ(DROVIK(rf_M1_authentication2)(0, 0x60, sector * 4, kKeyA.data()), 0)
                << sector;
            for (int block = sector * 4; block < sector * 4 + 4; ++block) {
                std::uint8_t data[16] = {};
                std::uint8_t length = 0;
                ASSERT_EQ(DROVIK(rf_M1_read)(0, block, data, &length), 0) << block;
                ASSERT_EQ(length, 16);
                if (block % 4 == 3) continue;  // a trailer reads back without its keys
                EXPECT_EQ(bytes(data, 16),
                          Bytes(memory.begin() + block * 16, memory.begin() + block * 16 + 16))
                    << block;
            }
        }
    }

    test_support::Ser2netProcess server_;
};

TEST_F(NetworkReader, TheAutoBaudSearchSetsEachRateOnTheServersLineAndFindsTheReader) {
    // The reader at 38400, the server's line at 9600: the reader answers only
    // once the server has set its line to the reader's rate.
    ASSERT_EQ(connect_through(Kind::rfc2217, 38400, 9600, 115200), 0);
    std::uint8_t model[2] = {};
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), 0);
    EXPECT_EQ(bytes(model, 2), (Bytes{0x02, 0x10}));

    // Found again, afresh, where it was left: at once at the remembered rate.
    EXPECT_EQ(DROVIK(rf_ClosePort)(), 0);
    EXPECT_EQ(DROVIK(rf_init_com)(1, 19200), 0);
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), 0);
}

TEST_F(NetworkReader, AMifareClassicCardReadsWholeThroughRfc2217) {
    // Its trailers and default keys are full of 0xFF, Telnet's IAC.
    ASSERT_EQ(connect_through(Kind::rfc2217, 115200, 115200, 115200, {"mifare1k"}), 0);
    read_whole_card();
}

TEST_F(NetworkReader, ARawStreamReadsAtTheServersFixedRateAndRefusesAnother) {
    ASSERT_EQ(connect_through(Kind::raw, 115200, 115200, 115200, {"mifare1k"}, "?baud=115200"), 0);
    read_whole_card();
    DROVIK(rf_ClosePort)();
    // Asked to put the reader at another rate, the line cannot follow it there.
    EXPECT_EQ(DROVIK(rf_init_com)(1, 9600), SELMEK_ERR_RATE_FIXED);
    ASSERT_EQ(DROVIK(rf_init_com)(1, 115200), 0);
    std::uint8_t model[2] = {};
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), 0) << "the reader kept its rate";
}

TEST_F(NetworkReader, AServerStoppedMidFrameIsADeviceGoneAndTheNextConnectIsFresh) {
    ASSERT_EQ(connect_through(Kind::rfc2217, 115200, 115200, 115200), 0);
    test_support::use_waits(3000ms, 3000ms);
    ASSERT_EQ(DROVIK(rf_ClosePort)(), 0);
    ASSERT_EQ(DROVIK(rf_init_com)(1, 115200), 0);  // the long waits taken
    ASSERT_EQ(sim_.command("fault drop"), "ok");
    const std::uint16_t port = server_.port();
    std::thread stopper([this] {
        std::this_thread::sleep_for(300ms);
        server_.stop();
    });
    std::uint8_t serial[8] = {};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DROVIK(rf_get_snr)(0, serial), SELMEK_ERR_DEVICE_GONE);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms) << "not the frame's deadline";
    stopper.join();

    std::string error;
    ASSERT_TRUE(server_.start(sim_.device(), Kind::rfc2217, 115200, error, port)) << error;
    test_support::use_waits(500ms, 150ms);
    ASSERT_EQ(DROVIK(rf_init_com)(1, 115200), 0);
    EXPECT_EQ(DROVIK(rf_get_snr)(0, serial), 0);
}

TEST_F(NetworkReader, ASilentServerIsATimeoutAndAnsweringAgainIsNot) {
    ASSERT_EQ(connect_through(Kind::rfc2217, 115200, 115200, 115200), 0);
    server_.pause();
    std::uint8_t model[2] = {};
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), SELMEK_ERR_TIMEOUT);
    server_.resume();
    // The late answer to the request above is stale by the next one.
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), 0);
}

TEST_F(NetworkReader, JunkBeforeAnAnswerIsSkipped) {
    ASSERT_EQ(connect_through(Kind::rfc2217, 115200, 115200, 115200), 0);
    ASSERT_EQ(sim_.command("fault garbage 300"), "ok");
    std::uint8_t model[2] = {};
    EXPECT_EQ(DROVIK(rf_get_model)(0, model), 0);
    EXPECT_EQ(bytes(model, 2), (Bytes{0x02, 0x10}));
}

}  // namespace
