// --device names the port's device for one run: a reader behind ser2net by its
// RFC 2217 address.

#include "rfcard_fixture.h"
#include "ser2net_process.h"

namespace {

using rfcard_test::RfcardTest;

class DeviceOption : public RfcardTest {};

TEST_F(DeviceOption, ReachesAReaderOnTheNetworkOnTheChosenPort) {
    if (test_support::Ser2netProcess::program().empty()) {
        GTEST_SKIP() << "ser2net is not installed: scripts/install-deps.sh installs it";
    }
    start_reader({"mifare1k"});
    test_support::Ser2netProcess server;
    std::string error;
    ASSERT_TRUE(
        server.start(sim_.device(), test_support::Ser2netProcess::Kind::rfc2217, 9600, error))
        << error;
    unsetenv("SELMEK_PORT3");
    const auto run = rfcard({"--port", "3", "--device", server.address(), "info"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("reader model   0210"), std::string::npos) << run.out;
}

}  // namespace
