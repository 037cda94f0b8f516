// The driver's channels as pcscd opens and closes them: reader.conf's DEVICENAME,
// both slots on one device, several readers, and what the driver tells pcscd of
// itself.

#include <cstring>
#include <thread>

#include "driver_fixture.h"

namespace pcsc_test {
namespace {

struct DeviceNameCase {
    const char *name;
    const char *suffix;  // after the simulator's device path
    RESPONSECODE expected;
};

class DeviceNames : public ::testing::TestWithParam<DeviceNameCase> {};

TEST_P(DeviceNames, OpenTheReaderOrSayNo) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start_sim({"mifare1k"}));
    EXPECT_EQ(reader.open(0, GetParam().suffix), GetParam().expected);
    if (GetParam().expected != IFD_SUCCESS) return;
    EXPECT_EQ(hex(reader.insert_and_power(0)).substr(0, 6), "3B8F80");
}

INSTANTIATE_TEST_SUITE_P(
    Channel, DeviceNames,
    ::testing::Values(
        // Without a rate the reader is found where it runs, at any of its rates.
        DeviceNameCase{"RateFound", "", IFD_SUCCESS},
        DeviceNameCase{"RateGiven", ":115200", IFD_SUCCESS},
        // The reader is found at 115200 and put at 38400.
        DeviceNameCase{"ReaderMovedToRate", ":38400", IFD_SUCCESS},
        DeviceNameCase{"SamRateGiven", ":115200,sam=38400", IFD_SUCCESS},
        DeviceNameCase{"RateTheReaderLacks", ":4800", IFD_COMMUNICATION_ERROR},
        DeviceNameCase{"SamRateTheSlotLacks", ",sam=19200", IFD_COMMUNICATION_ERROR},
        DeviceNameCase{"UnknownOption", ",parity=even", IFD_COMMUNICATION_ERROR},
        DeviceNameCase{"NoSuchDevice", "-missing", IFD_COMMUNICATION_ERROR}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Channel, ADeviceWhereNoReaderAnswersIsRefusedQuickly) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start_sim({"mifare1k"}));
    ASSERT_EQ(reader.sim("fault silent 10000"), "ok");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(reader.open(0), IFD_COMMUNICATION_ERROR);
    // One probe at each of the seven rates, each waiting the turnaround allowance.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// pcscd opens both slots of a reader with the same DEVICENAME; the device opens
// once (it is opened for one user only, so a second open would fail) and closes
// with its last slot.
TEST(Channel, BothSlotsShareOneDeviceUntilTheLastCloses) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"cpu-a"}));
    ASSERT_EQ(reader.close(0), IFD_SUCCESS);
    EXPECT_TRUE(reader.await_presence(1, IFD_ICC_PRESENT)) << "the SAM slot keeps the device";
    ASSERT_EQ(reader.close(1), IFD_SUCCESS);
    EXPECT_EQ(reader.presence(1), IFD_COMMUNICATION_ERROR) << "a closed slot";
    EXPECT_EQ(reader.close(1), IFD_COMMUNICATION_ERROR) << "closed twice";
    // The device was given back: it opens again.
    ASSERT_EQ(reader.open(0), IFD_SUCCESS);
}

TEST(Channel, OpensAndClosesAnyNumberOfTimes) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start_sim({"cpu-b"}));
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(reader.open(0), IFD_SUCCESS) << round;
        ASSERT_EQ(reader.open(1), IFD_SUCCESS) << round;
        if (round % 5 == 0) {
            reader.insert_and_power(0);
            EXPECT_EQ(reader.exchange(0, "0084000004").size(), 12u) << round;
        }
        ASSERT_EQ(reader.close(1), IFD_SUCCESS) << round;
        ASSERT_EQ(reader.close(0), IFD_SUCCESS) << round;
    }
}

TEST(Channel, LunsBeyondTheReadersSlots) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"mifare1k"}));
    std::string name = reader.device();
    EXPECT_EQ(driver().create_channel_by_name(reader.lun(2), name.data()), IFD_COMMUNICATION_ERROR);
    EXPECT_EQ(driver().icc_presence(reader.lun(2)), IFD_COMMUNICATION_ERROR);
    EXPECT_EQ(driver().icc_presence(0x50000), IFD_COMMUNICATION_ERROR) << "a reader never opened";
}

// pcscd serves each reader from threads of its own; each reader keeps its line.
TEST(Channel, ReadersInOneProcessKeepTheirOwnCards) {
    SimulatedReader first(0), second(1);
    ASSERT_TRUE(first.start({"cpu-a"}));
    ASSERT_TRUE(second.start({"cpu-b"}));
    first.insert_and_power(0);
    second.insert_and_power(0);
    const auto uid_of = [](SimulatedReader &reader, std::string &uid) {
        for (int i = 0; i < 30; ++i) {
            uid = reader.exchange(0, "FFCA000000");
            if (reader.exchange(0, "0084000004").size() != 12u) return;
        }
    };
    std::string uid_a, uid_b;
    std::thread a([&] { uid_of(first, uid_a); });
    std::thread b([&] { uid_of(second, uid_b); });
    a.join();
    b.join();
    EXPECT_EQ(uid_a, "3E81226D9000");
    EXPECT_EQ(uid_b, "1C935E079000");
}

struct CapabilityCase {
    const char *name;
    int slot;
    DWORD tag;
    RESPONSECODE result;
    std::string value;  // hex
};

class Capabilities : public ::testing::TestWithParam<CapabilityCase> {};

TEST_P(Capabilities, AnswerPcscd) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    UCHAR value[64] = {};
    DWORD length = sizeof value;
    const CapabilityCase &row = GetParam();
    EXPECT_EQ(driver().get_capabilities(reader.lun(row.slot), row.tag, &length, value), row.result);
    if (row.result == IFD_SUCCESS) {
        EXPECT_EQ(hex(Bytes(value, value + length)), row.value);
    }
}

std::string text_hex(const char *text) { return hex(Bytes(text, text + std::strlen(text) + 1)); }

INSTANTIATE_TEST_SUITE_P(
    Channel, Capabilities,
    ::testing::Values(
        CapabilityCase{"Slots", 0, TAG_IFD_SLOTS_NUMBER, IFD_SUCCESS, "02"},
        CapabilityCase{"Readers", 0, TAG_IFD_SIMULTANEOUS_ACCESS, IFD_SUCCESS, "10"},
        CapabilityCase{"ThreadSafe", 0, TAG_IFD_THREAD_SAFE, IFD_SUCCESS, "01"},
        CapabilityCase{"SlotThreadSafe", 1, TAG_IFD_SLOT_THREAD_SAFE, IFD_SUCCESS, "01"},
        CapabilityCase{"NoAtrWithoutCard", 0, TAG_IFD_ATR, IFD_SUCCESS, ""},
        CapabilityCase{"Vendor", 0, SCARD_ATTR_VENDOR_NAME, IFD_SUCCESS, text_hex("Velomar")},
        // The simulated reader's model and serial number.
        CapabilityCase{"ReaderType", 0, SCARD_ATTR_VENDOR_IFD_TYPE, IFD_SUCCESS,
                       text_hex("Tilvane contactless reader 0210")},
        CapabilityCase{"Serial", 1, SCARD_ATTR_VENDOR_IFD_SERIAL_NO, IFD_SUCCESS,
                       text_hex("2024051700003142")},
        CapabilityCase{"DriverVersion", 0, SCARD_ATTR_VENDOR_IFD_VERSION, IFD_SUCCESS, "00000101"},
        CapabilityCase{"LongestApduField", 0, SCARD_ATTR_MAXINPUT, IFD_SUCCESS, "FA000000"},
        CapabilityCase{"LongestApduSam", 1, SCARD_ATTR_MAXINPUT, IFD_SUCCESS, "FB000000"},
        CapabilityCase{"EmptyField", 0, SCARD_ATTR_ICC_PRESENCE, IFD_SUCCESS, "00"},
        // The SAM slot is polled by pcscd itself.
        CapabilityCase{"NoEventWaitForSam", 1, TAG_IFD_POLLING_THREAD_WITH_TIMEOUT, IFD_ERROR_TAG,
                       ""},
        CapabilityCase{"FieldWaitNotKillable", 0, TAG_IFD_POLLING_THREAD_KILLABLE, IFD_SUCCESS,
                       "00"},
        CapabilityCase{"UnknownTag", 0, 0x7FFF, IFD_ERROR_TAG, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Channel, CapabilitiesNeverOverrunTheBuffer) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    UCHAR value[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    DWORD length = 3;
    EXPECT_EQ(driver().get_capabilities(reader.lun(0), SCARD_ATTR_VENDOR_NAME, &length, value),
              IFD_ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(value[0], 0xAA);
}

TEST(Channel, ControlAnswersTheFeatureQueryWithNoFeatures) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({}));
    UCHAR out[16] = {};
    DWORD returned = 99;
    EXPECT_EQ(driver().control(reader.lun(0), CM_IOCTL_GET_FEATURE_REQUEST, nullptr, 0, out,
                               sizeof out, &returned),
              IFD_SUCCESS);
    EXPECT_EQ(returned, 0u);
    returned = 99;
    EXPECT_EQ(driver().control(reader.lun(0), SCARD_CTL_CODE(3500), nullptr, 0, out, sizeof out,
                               &returned),
              IFD_ERROR_NOT_SUPPORTED);
    EXPECT_EQ(returned, 0u);
}

TEST(Channel, ProtocolsOfTheAtrAreTaken) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"cpu-a"}));
    reader.insert_and_power(0);
    EXPECT_EQ(driver().set_protocol_parameters(reader.lun(0), SCARD_PROTOCOL_T1, 0, 0, 0, 0),
              IFD_SUCCESS);
    EXPECT_EQ(driver().set_protocol_parameters(reader.lun(0), SCARD_PROTOCOL_T0, 0, 0, 0, 0),
              IFD_SUCCESS);
    EXPECT_EQ(driver().set_protocol_parameters(reader.lun(0), SCARD_PROTOCOL_RAW, 0, 0, 0, 0),
              IFD_PROTOCOL_NOT_SUPPORTED);
}

}  // namespace
}  // namespace pcsc_test
