// reader.conf's DEVICENAME, by table: the device, the reader's rate, the SAM's.

#include <gtest/gtest.h>

#include "device_name.h"

namespace pcsc_test {
namespace {

struct NameCase {
    const char *text;
    const char *path;   // null: refused
    std::int32_t rate;  // 0: none given
    std::int32_t sam_rate;
};

class DeviceNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(DeviceNames, AreReadOrRefused) {
    const NameCase &row = GetParam();
    std::string error;
    const auto name = pcsc::parse_device_name(row.text, error);
    if (row.path == nullptr) {
        EXPECT_FALSE(name) << row.text;
        EXPECT_FALSE(error.empty()) << row.text;
        return;
    }
    ASSERT_TRUE(name) << row.text << ": " << error;
    EXPECT_EQ(name->path, row.path);
    EXPECT_EQ(name->rate.value_or(0), row.rate);
    EXPECT_EQ(name->sam_rate, row.sam_rate);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeviceNames,
    ::testing::Values(NameCase{"/dev/ttyUSB0", "/dev/ttyUSB0", 0, 9600},
                      NameCase{"/dev/ttyUSB0:38400", "/dev/ttyUSB0", 38400, 9600},
                      NameCase{"/dev/ttyS1:115200,sam=38400", "/dev/ttyS1", 115200, 38400},
                      NameCase{"/dev/ttyS1,sam=9600", "/dev/ttyS1", 0, 9600},
                      // Colons inside the path's directories, or not followed by digits, are
                      // part of the path.
                      NameCase{"/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0",
                               "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0", 0, 9600},
                      NameCase{"/dev/serial/by-path/pci-0000:00:14.0-port0:19200",
                               "/dev/serial/by-path/pci-0000:00:14.0-port0", 19200, 9600},
                      NameCase{"/tmp/a,b/tty", "/tmp/a,b/tty", 0, 9600},
                      NameCase{"/dev/ttyUSB0:4800", nullptr, 0, 0},
                      NameCase{"/dev/ttyUSB0:", nullptr, 0, 0},
                      NameCase{"/dev/ttyUSB0:99999999", nullptr, 0, 0},
                      NameCase{"/dev/ttyUSB0,sam=19200", nullptr, 0, 0},
                      NameCase{"/dev/ttyUSB0,sam=", nullptr, 0, 0},
                      NameCase{"/dev/ttyUSB0,speed=9600", nullptr, 0, 0},
                      NameCase{"/dev/ttyUSB0,", nullptr, 0, 0}, NameCase{":9600", nullptr, 0, 0},
                      NameCase{"", nullptr, 0, 0}));

}  // namespace
}  // namespace pcsc_test
