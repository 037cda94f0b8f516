// The real transport under the real library: libDrovik.so from the build's bin
// directory loads libSelmek.so beside it, and rf_init_com finds a reader that
// listens at another rate than the one asked for.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>
#include <vector>

#include "drovik.h"
#include "protocol/baud_rates.h"
#include "loaded_drovik.h"
#include "state_directory.h"
#include "pseudo_terminal.h"

namespace {

using namespace transport_test;

// A reader that hears only requests sent at its own rate (it reads the rate the
// line is set to) and moves to the rate a set-baud command names, after
// acknowledging it. It serves until the line is quiet for a while.
struct BaudFollowingReader {
    std::atomic<std::int32_t> rate;
    std::mutex mutex;
    std::vector<std::int32_t> heard_at;  // the line's rate at every request

    explicit BaudFollowingReader(std::int32_t own_rate) : rate(own_rate) {}

    void serve(PseudoTerminal &line) {
        for (;;) {
            const Bytes request = line.read(9, std::chrono::milliseconds(1500));
            if (request.size() < 9) return;
            const std::int32_t line_rate = line.line_rate();
            {
                std::lock_guard<std::mutex> lock(mutex);
                heard_at.push_back(line_rate);
            }
            if (line_rate != rate) continue;  // garbage to a reader at another rate
            const std::uint8_t command = request[6];
            const std::uint8_t code = request[7];
            if (command == 0x01 && protocol::baud_rate_of(code) != 0) {
                // Moves on before the answer is out, so that whoever sees the
                // answer sees the new rate too (a pseudo-terminal has no rate).
                rate = protocol::baud_rate_of(code);
                line.write(reader_frame(0, {}, 0, 0x01));
            } else {
                line.write(reader_frame(0, {}, 0, command));
            }
        }
    }
};

class ThroughTheLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(drovik_.module().loaded()) << drovik_.module().error();
        init_com_ = DROVIK_EXPORT(drovik_, rf_init_com);
        close_port_ = DROVIK_EXPORT(drovik_, rf_ClosePort);
        beep_ = DROVIK_EXPORT(drovik_, rf_beep);
        ASSERT_TRUE(init_com_ && close_port_ && beep_);
    }
    void TearDown() override {
        if (close_port_) close_port_();
    }

    // No rate remembered from another run: the search's order is the one pinned.
    test_support::StateDirectory state_;
    test_support::LoadedDrovik drovik_{TILVANE_BIN_DIR};
    decltype(&rf_init_com) init_com_ = nullptr;
    decltype(&rf_ClosePort) close_port_ = nullptr;
    decltype(&rf_beep) beep_ = nullptr;
};

TEST_F(ThroughTheLibrary, AutoBaudFindsAReaderAt38400AndLeavesBothEndsAt115200) {
    PseudoTerminal line;
    use_device(1, line.slave_path());
    use_first_byte_wait(std::chrono::milliseconds(150));
    BaudFollowingReader reader(38400);
    {
        ReaderStandIn stand_in(line, [&](PseudoTerminal &l) { reader.serve(l); });

        EXPECT_EQ(init_com_(1, 115200), 0);
        EXPECT_EQ(reader.rate, 115200);
        EXPECT_EQ(line.line_rate(), 115200);
        // And the two now talk at the new rate.
        EXPECT_EQ(beep_(0, 10), 0);
        close_port_();
    }
    const std::vector<std::int32_t> expected = {115200, 9600, 14400, 19200, 28800, 38400, 115200};
    EXPECT_EQ(reader.heard_at, expected);
}

TEST_F(ThroughTheLibrary, TwoThreadsExchangeOnOnePortEachGettingItsOwnAnswers) {
    // A reader that answers the model and the serial number requests, each with
    // its own data: an exchange that met the other thread's answer would fail.
    const Bytes model = {0x02, 0x10};
    const Bytes serial = {1, 2, 3, 4, 5, 6, 7, 8};
    PseudoTerminal line;
    use_device(1, line.slave_path());
    use_first_byte_wait(std::chrono::milliseconds(2000));
    ReaderStandIn reader(line, [&](PseudoTerminal &l) {
        if (l.read(9).size() == 9) l.write(reader_frame(0, {}, 0, 0x01));  // the set-baud
        for (;;) {
            const Bytes request = l.read(8, std::chrono::milliseconds(1500));
            if (request.size() < 8) return;
            const std::uint8_t command = request[6];
            l.write(reader_frame(0, command == 0x04 ? model : serial, 0, command));
        }
    });
    ASSERT_EQ(init_com_(1, 115200), 0);

    const auto get_model = DROVIK_EXPORT(drovik_, rf_get_model);
    const auto get_snr = DROVIK_EXPORT(drovik_, rf_get_snr);
    const auto last_status = DROVIK_EXPORT(drovik_, rf_GetErrorMessage);
    constexpr int kRounds = 40;
    std::atomic<int> wrong{0};
    std::thread models([&] {
        for (int i = 0; i < kRounds; ++i) {
            std::uint8_t out[2] = {};
            if (get_model(0, out) != 0 || Bytes(out, out + 2) != model) ++wrong;
        }
    });
    std::thread serials([&] {
        for (int i = 0; i < kRounds; ++i) {
            std::uint8_t out[8] = {};
            if (get_snr(0, out) != 0 || Bytes(out, out + 8) != serial) ++wrong;
        }
    });
    // Meanwhile a third thread reads the last status: 0, as every command succeeds.
    int nonzero = 0;
    for (int i = 0; i < 1000; ++i) nonzero += last_status() != 0;
    EXPECT_EQ(nonzero, 0);
    models.join();
    serials.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(last_status(), 0);
    close_port_();
}

TEST_F(ThroughTheLibrary, AFailedOpenReturnsTheSystemsReason) {
    use_device(1, "/dev/no-such-reader");
    EXPECT_EQ(init_com_(1, 9600), ENOENT);
}

}  // namespace
