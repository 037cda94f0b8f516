// Opening, configuring and closing the port: which device, the line settings the
// reader needs, the seven rates, exclusivity, errno on a failed open, and what
// the entry points do when no port is open.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "selmek.h"
#include "pseudo_terminal.h"

namespace {

using namespace transport_test;

const Bytes kRequest = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x01, 0x01, 0xFA};

bool exclusive(int fd) {
    int on = -1;
    return ioctl(fd, TIOCGEXCL, &on) == 0 && on != 0;
}

// Whether some other holder could lock the device now.
bool lockable(const std::string &path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return locked;
}

std::int32_t answered_exchange(PseudoTerminal &line, const Bytes &answer) {
    ReaderStandIn reader(line, [&](PseudoTerminal &l) {
        if (l.read(kRequest.size()) == kRequest) l.write(answer);
    });
    std::uint8_t response[1024];
    std::uint32_t length = 0;
    const std::int32_t result = CommunicateRFResult(kRequest.data(), 9, response, &length);
    if (result == SELMEK_OK && Bytes(response, response + length) != answer) return -1;
    return result;
}

class Port : public ::testing::Test {
protected:
    void SetUp() override { use_first_byte_wait(std::chrono::milliseconds(500)); }
    void TearDown() override { CloseComPort(); }
};

TEST_F(Port, OpensTheDeviceRawEightNOneWithoutFlowControlAndForItselfAlone) {
    PseudoTerminal line;
    use_device(3, line.slave_path());
    ASSERT_EQ(OpenComPort(3, 57600), 1);

    termios settings{};
    ASSERT_EQ(tcgetattr(line.slave(), &settings), 0);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_cc[VMIN], 1);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B57600));
    EXPECT_TRUE(exclusive(line.slave()));
    EXPECT_FALSE(lockable(line.slave_path()));

    CloseComPort();
    EXPECT_FALSE(exclusive(line.slave()));
    EXPECT_TRUE(lockable(line.slave_path()));
}

class Rate : public ::testing::TestWithParam<std::int32_t> {
protected:
    void TearDown() override { CloseComPort(); }
};

TEST_P(Rate, IsSetByOpenAndBySetCommBaud) {
    const std::int32_t rate = GetParam();
    PseudoTerminal line;
    use_device(1, line.slave_path());

    ASSERT_EQ(OpenComPort(1, rate), 1);
    EXPECT_EQ(line.line_rate(), rate);

    const std::int32_t other = rate == 9600 ? 115200 : 9600;
    ASSERT_EQ(SetCommBaud(other), SELMEK_OK);
    EXPECT_EQ(line.line_rate(), other);
    ASSERT_EQ(SetCommBaud(rate), SELMEK_OK);
    EXPECT_EQ(line.line_rate(), rate);
}

INSTANTIATE_TEST_SUITE_P(ReaderRates, Rate,
                         ::testing::Values(9600, 14400, 19200, 28800, 38400, 57600, 115200));

TEST_F(Port, RatesWithABConstantReadBackThroughTcgetattr) {
    // Programs that watch the line with cfgetospeed() still see the usual rates.
    PseudoTerminal line;
    use_device(1, line.slave_path());
    ASSERT_EQ(OpenComPort(1, 9600), 1);
    ASSERT_EQ(SetCommBaud(38400), SELMEK_OK);
    termios settings{};
    ASSERT_EQ(tcgetattr(line.slave(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B38400));
}

TEST_F(Port, SetCommBaudRefusesARateThatIsNotPositiveAndKeepsTheRate) {
    PseudoTerminal line;
    use_device(1, line.slave_path());
    ASSERT_EQ(OpenComPort(1, 28800), 1);
    EXPECT_EQ(SetCommBaud(0), SELMEK_ERR_BAD_BAUD);
    EXPECT_EQ(SetCommBaud(-9600), SELMEK_ERR_BAD_BAUD);
    EXPECT_EQ(line.line_rate(), 28800);
}

struct FailedOpen {
    const char *name;
    int port;
    const char *device;  // "" leaves the port's setting alone
    std::int32_t baud;
    int expected_errno;
};

void PrintTo(const FailedOpen &f, std::ostream *os) {
    *os << f.name;
}

class OpenFails : public ::testing::TestWithParam<FailedOpen> {};

TEST_P(OpenFails, ReturnsZeroWithErrnoSayingWhy) {
    const FailedOpen &c = GetParam();
    if (*c.device != '\0') use_device(c.port, c.device);
    errno = 0;
    EXPECT_EQ(OpenComPort(c.port, c.baud), 0);
    EXPECT_EQ(errno, c.expected_errno) << std::strerror(errno);
}

INSTANTIATE_TEST_SUITE_P(
    Port, OpenFails,
    ::testing::Values(FailedOpen{"missing_device", 1, "/dev/no-such-reader", 9600, ENOENT},
                      FailedOpen{"missing_directory", 2, "/nonexistent/ttyUSB0", 9600, ENOENT},
                      FailedOpen{"not_a_terminal", 1, "/dev/null", 9600, ENOTTY},
                      FailedOpen{"port_0", 0, "", 9600, EINVAL},
                      FailedOpen{"port_17", 17, "", 9600, EINVAL},
                      FailedOpen{"rate_0", 1, "/dev/null", 0, EINVAL},
                      FailedOpen{"negative_rate", 1, "/dev/null", -1, EINVAL}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Port, ADeviceAnotherProgramHoldsIsBusy) {
    PseudoTerminal line;
    use_device(1, line.slave_path());
    ASSERT_EQ(flock(line.slave(), LOCK_EX | LOCK_NB), 0);
    errno = 0;
    EXPECT_EQ(OpenComPort(1, 9600), 0);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_FALSE(exclusive(line.slave())) << "a failed open leaves nothing behind";
}

TEST_F(Port, ADeviceInAnotherProgramsExclusiveModeIsBusyAndStaysExclusive) {
    // Exclusive mode does not stop root, so the transport asks before it opens.
    PseudoTerminal line;
    use_device(1, line.slave_path());
    ASSERT_EQ(ioctl(line.slave(), TIOCEXCL), 0);
    errno = 0;
    EXPECT_EQ(OpenComPort(1, 9600), 0);
    EXPECT_EQ(errno, EBUSY);
    EXPECT_TRUE(exclusive(line.slave()));
}

TEST_F(Port, OpeningAgainClosesTheOpenPortFirst) {
    PseudoTerminal first;
    PseudoTerminal second;
    use_device(1, first.slave_path());
    ASSERT_EQ(OpenComPort(1, 9600), 1);
    use_device(1, second.slave_path());
    ASSERT_EQ(OpenComPort(1, 19200), 1);

    EXPECT_FALSE(exclusive(first.slave()));
    EXPECT_TRUE(lockable(first.slave_path()));
    EXPECT_EQ(second.line_rate(), 19200);
    EXPECT_EQ(answered_exchange(second, reader_frame(0, {5})), SELMEK_OK);
}

TEST_F(Port, AFailedOpenLeavesNoPortOpen) {
    PseudoTerminal line;
    use_device(1, line.slave_path());
    ASSERT_EQ(OpenComPort(1, 9600), 1);
    use_device(1, "/dev/no-such-reader");
    EXPECT_EQ(OpenComPort(1, 9600), 0);
    EXPECT_FALSE(exclusive(line.slave()));
    std::uint8_t response[1024];
    std::uint32_t length = 7;
    EXPECT_EQ(CommunicateRFResult(kRequest.data(), 9, response, &length), SELMEK_ERR_NOT_OPEN);
}

TEST_F(Port, ClosedPortRefusesAndReopensToWorkAgain) {
    PseudoTerminal line;
    use_device(1, line.slave_path());
    ASSERT_EQ(OpenComPort(1, 115200), 1);
    EXPECT_EQ(answered_exchange(line, reader_frame(0, {1})), SELMEK_OK);

    EXPECT_EQ(CloseComPort(), 0);
    EXPECT_EQ(CloseComPort(), 0) << "closing twice is harmless";
    std::uint8_t response[1024];
    std::uint32_t length = 7;
    EXPECT_EQ(CommunicateRFResult(kRequest.data(), 9, response, &length), SELMEK_ERR_NOT_OPEN);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(SetCommBaud(9600), SELMEK_ERR_NOT_OPEN);

    ASSERT_EQ(OpenComPort(1, 115200), 1);
    EXPECT_EQ(answered_exchange(line, reader_frame(0, {2})), SELMEK_OK);
}

TEST(Arguments, AreCheckedBeforeAnythingIsSent) {
    PseudoTerminal line;
    use_device(1, line.slave_path());
    ASSERT_EQ(OpenComPort(1, 115200), 1);
    std::uint8_t response[1024];
    std::uint32_t length = 7;
    EXPECT_EQ(CommunicateRFResult(nullptr, 9, response, &length), SELMEK_ERR_BAD_ARGUMENT);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(CommunicateRFResult(kRequest.data(), 0, response, &length), SELMEK_ERR_BAD_ARGUMENT);
    EXPECT_EQ(CommunicateRFResult(kRequest.data(), -1, response, &length), SELMEK_ERR_BAD_ARGUMENT);
    const Bytes too_long(1025, 0x00);
    EXPECT_EQ(CommunicateRFResult(too_long.data(), 1025, response, &length),
              SELMEK_ERR_BAD_ARGUMENT);
    EXPECT_EQ(CommunicateRFResult(kRequest.data(), 9, nullptr, &length), SELMEK_ERR_BAD_ARGUMENT);
    EXPECT_EQ(CommunicateRFResult(kRequest.data(), 9, response, nullptr), SELMEK_ERR_BAD_ARGUMENT);
    EXPECT_TRUE(line.read(1, std::chrono::milliseconds(100)).empty()) << "nothing was sent";
    CloseComPort();
}

TEST(ParallelPort, IsNotSupported) {
    errno = 0;
    EXPECT_EQ(OpenLPTPort(1), 0);
    EXPECT_EQ(errno, ENOTSUP);
    EXPECT_EQ(CloseLPTPort(), SELMEK_ERR_NOT_SUPPORTED);
}

}  // namespace
