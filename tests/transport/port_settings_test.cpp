// Which device a port number stands for and how long the first byte may take:
// the environment, the user's file, the system's file and the defaults, in that
// order, port by port, in the places of each system.

#include "port_settings.h"

#include "port_places.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Where each system keeps the user's file: the variable that names the folder, and
// the file under that folder.
#if defined(_WIN32)
constexpr const char *kUserFolderVariable = "APPDATA";
// The system's own serial ports, by number.
const char *const kDefaultPort1 = R"(\\.\COM1)";
const char *const kDefaultPort4 = R"(\\.\COM4)";
const char *const kDefaultPort16 = R"(\\.\COM16)";
#else
constexpr const char *kUserFolderVariable = "XDG_CONFIG_HOME";
const char *const kDefaultPort1 = "/dev/ttyS0";
const char *const kDefaultPort4 = "/dev/ttyS3";
const char *const kDefaultPort16 = "/dev/ttyS15";
#endif

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("selmek_settings_" + std::to_string(std::random_device()()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root_ / "xdg/selmek");
        fs::create_directories(root_ / "home/.config/selmek");
        fs::create_directories(root_ / "etc");
        sources_.environment = [this](const char *name) -> const char * {
            const auto found = environment_.find(name);
            return found == environment_.end() ? nullptr : found->second.c_str();
        };
        sources_.system_file = (root_ / "etc/ports.conf").string();
    }
    void TearDown() override { fs::remove_all(root_); }

    void write(const std::string &relative, const std::string &text) {
        std::ofstream(root_ / relative) << text;
    }
    std::string path(const std::string &relative) const { return (root_ / relative).string(); }
    // The user's file lives under root/xdg.
    void use_user_folder() { environment_[kUserFolderVariable] = path("xdg"); }

    fs::path root_;
    std::map<std::string, std::string> environment_;
    selmek::SettingsSources sources_;
};

TEST_F(Settings, WithoutAnySettingPortNIsTheSystemsNthSerialPort) {
    EXPECT_EQ(selmek::device_for_port(1, sources_), kDefaultPort1);
    EXPECT_EQ(selmek::device_for_port(16, sources_), kDefaultPort16);
    EXPECT_EQ(selmek::first_byte_wait(sources_), milliseconds(500));
}

TEST_F(Settings, EachPortTakesTheFirstSourceThatNamesIt) {
    use_user_folder();
    environment_["SELMEK_PORT1"] = "/dev/pts/7";
    write("xdg/selmek/ports.conf", "1=/dev/ttyUSB9\n2=/dev/ttyUSB0\n");
    write("etc/ports.conf", "1=/dev/ttyACM0\n2=/dev/ttyACM1\n3=/dev/ttyACM2\n");

    EXPECT_EQ(selmek::device_for_port(1, sources_), "/dev/pts/7");    // environment
    EXPECT_EQ(selmek::device_for_port(2, sources_), "/dev/ttyUSB0");  // user's file
    EXPECT_EQ(selmek::device_for_port(3, sources_), "/dev/ttyACM2");  // system's file
    EXPECT_EQ(selmek::device_for_port(4, sources_), kDefaultPort4);   // default
}

#if defined(_WIN32)
// The machine's file is under PROGRAMDATA; a bare name is a device (\\.\COM12: the
// device namespace also reaches ports from 10 on), a path stays as it is.
TEST_F(Settings, TheMachinesFileIsUnderProgramDataAndABareNameIsADevice) {
    environment_["PROGRAMDATA"] = path("programdata");
    fs::create_directories(root_ / "programdata/selmek");
    write("programdata/selmek/ports.conf", "2=COM12\n3=C:\\ports\\here\n");
    sources_.system_file = selmek::machine_config_file(sources_);
    environment_["SELMEK_PORT1"] = "COM7";
    EXPECT_EQ(selmek::device_for_port(1, sources_), "\\\\.\\COM7");
    EXPECT_EQ(selmek::device_for_port(2, sources_), "\\\\.\\COM12");
    EXPECT_EQ(selmek::device_for_port(3, sources_), "C:\\ports\\here");
}
#else
TEST_F(Settings, TheUsersFileIsUnderHomeWhenXdgConfigHomeIsUnsetOrRelative) {
    environment_["HOME"] = path("home");
    write("home/.config/selmek/ports.conf", "1=/dev/ttyUSB1\n");
    EXPECT_EQ(selmek::device_for_port(1, sources_), "/dev/ttyUSB1");

    environment_["XDG_CONFIG_HOME"] = "relative/dir";
    EXPECT_EQ(selmek::device_for_port(1, sources_), "/dev/ttyUSB1");

    environment_.clear();
    EXPECT_EQ(selmek::user_config_file(sources_), "");
    EXPECT_EQ(selmek::device_for_port(1, sources_), "/dev/ttyS0");
}

TEST_F(Settings, ADeviceNameWithoutADirectoryIsUnderDev) {
    environment_["SELMEK_PORT1"] = "ttyUSB0";
    write("etc/ports.conf", "2=ttyACM1\n3=./here/tty\n");
    EXPECT_EQ(selmek::device_for_port(1, sources_), "/dev/ttyUSB0");
    EXPECT_EQ(selmek::device_for_port(2, sources_), "/dev/ttyACM1");
    EXPECT_EQ(selmek::device_for_port(3, sources_), "./here/tty");
}
#endif

TEST_F(Settings, ANetworkAddressIsTakenAsItStandsOnEverySystem) {
    environment_["SELMEK_PORT1"] = "rfc2217://gate-pc:2217";
    write("etc/ports.conf", "2=tcp://[::1]:7000?baud=9600\n3=rfc2217://x\n");
    EXPECT_EQ(selmek::device_for_port(1, sources_), "rfc2217://gate-pc:2217");
    EXPECT_EQ(selmek::device_for_port(2, sources_), "tcp://[::1]:7000?baud=9600");
    // Malformed, but never a device file: its open says why.
    EXPECT_EQ(selmek::device_for_port(3, sources_), "rfc2217://x");
}

TEST_F(Settings, TheNetworkWaitsComeFromTheEnvironmentThenTheFiles) {
    EXPECT_EQ(selmek::network_allowance(sources_), milliseconds(100));
    EXPECT_EQ(selmek::connect_wait(sources_), milliseconds(3000));
    write("etc/ports.conf", "network_ms=0\nconnect_ms=0\n");
    // No allowance is an allowance; no bound on connecting is not a bound.
    EXPECT_EQ(selmek::network_allowance(sources_), milliseconds(0));
    EXPECT_EQ(selmek::connect_wait(sources_), milliseconds(3000));
    environment_["SELMEK_NETWORK_MS"] = "250";
    environment_["SELMEK_CONNECT_MS"] = "800";
    EXPECT_EQ(selmek::network_allowance(sources_), milliseconds(250));
    EXPECT_EQ(selmek::connect_wait(sources_), milliseconds(800));
}

TEST_F(Settings, AnEmptyEnvironmentVariableSaysNothing) {
    environment_["SELMEK_PORT2"] = "";
    write("etc/ports.conf", "2=/dev/ttyUSB3\n");
    EXPECT_EQ(selmek::device_for_port(2, sources_), "/dev/ttyUSB3");
}

TEST(PortConfig, ReadsPortsAndTheWaitAndSkipsWhatItCannotUse) {
    const selmek::PortConfig config = selmek::parse_port_config(
        "# readers on this machine\n"
        "  1 = /dev/serial/by-id/usb-reader-if00-port0  \r\n"
        "\n"
        "2=\n"               // no device
        "17=/dev/ttyUSB5\n"  // no such port
        "0=/dev/ttyUSB6\n"   // no such port
        "x=/dev/ttyUSB7\n"   // not a port number
        "3 /dev/ttyUSB8\n"   // no '='
        "#4=/dev/ttyUSB9\n"  // a comment
        "5=/dev/ttyUSB0\n"
        "5=/dev/ttyUSB1\n"  // the later line wins
        "timeout_ms = 1500");
    EXPECT_EQ(config.devices[1], "/dev/serial/by-id/usb-reader-if00-port0");
    for (const int empty : {0, 2, 3, 4, 6, 16}) EXPECT_EQ(config.devices[empty], "") << empty;
    EXPECT_EQ(config.devices[5], "/dev/ttyUSB1");
    EXPECT_EQ(config.first_byte_wait, milliseconds(1500));
}

TEST_F(Settings, TheWaitComesFromTheEnvironmentThenTheFilesAndIgnoresNonsense) {
    use_user_folder();
    write("etc/ports.conf", "timeout_ms=900\n");
    EXPECT_EQ(selmek::first_byte_wait(sources_), milliseconds(900));

    write("xdg/selmek/ports.conf", "timeout_ms=1200\n");
    EXPECT_EQ(selmek::first_byte_wait(sources_), milliseconds(1200));

    environment_["SELMEK_TIMEOUT_MS"] = "75";
    EXPECT_EQ(selmek::first_byte_wait(sources_), milliseconds(75));

    for (const char *nonsense : {"", "0", "-5", "12ms", "abc", " ", "600001"}) {
        environment_["SELMEK_TIMEOUT_MS"] = nonsense;
        EXPECT_EQ(selmek::first_byte_wait(sources_), milliseconds(1200)) << '"' << nonsense << '"';
    }
}

TEST_F(Settings, TheTurnaroundAllowanceComesFromTheEnvironmentThenTheFiles) {
    EXPECT_EQ(selmek::turnaround_allowance(sources_), milliseconds(50));
    use_user_folder();
    write("etc/ports.conf", "turnaround_ms=80\ntimeout_ms=900\n");
    EXPECT_EQ(selmek::turnaround_allowance(sources_), milliseconds(80));
    write("xdg/selmek/ports.conf", "turnaround_ms = 120\n");
    EXPECT_EQ(selmek::turnaround_allowance(sources_), milliseconds(120));
    environment_["SELMEK_TURNAROUND_MS"] = "0";  // nonsense, as for the wait
    EXPECT_EQ(selmek::turnaround_allowance(sources_), milliseconds(120));
    environment_["SELMEK_TURNAROUND_MS"] = "25";
    EXPECT_EQ(selmek::turnaround_allowance(sources_), milliseconds(25));
    EXPECT_EQ(selmek::first_byte_wait(sources_), milliseconds(900));
}

}  // namespace
