#pragma once

// The driver as pcscd meets it: libifd-tilvane.so loaded from bin/ and called
// through its IFDH entry points, on the device of a reader-sim started for each
// test.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sim_process.h"

extern "C" {
#include <ifdhandler.h>
#include <reader.h>
}

namespace pcsc_test {

using Bytes = std::vector<std::uint8_t>;

// "3B8F80" or "3B 8F 80" as bytes.
Bytes hex(const std::string &text);
std::string hex(const Bytes &bytes);

// The loaded driver's entry points.
struct Driver {
    decltype(&IFDHCreateChannelByName) create_channel_by_name = nullptr;
    decltype(&IFDHCreateChannel) create_channel = nullptr;
    decltype(&IFDHCloseChannel) close_channel = nullptr;
    decltype(&IFDHGetCapabilities) get_capabilities = nullptr;
    decltype(&IFDHSetProtocolParameters) set_protocol_parameters = nullptr;
    decltype(&IFDHPowerICC) power_icc = nullptr;
    decltype(&IFDHTransmitToICC) transmit_to_icc = nullptr;
    decltype(&IFDHICCPresence) icc_presence = nullptr;
    decltype(&IFDHControl) control = nullptr;
};
// Loaded once, as pcscd loads a driver once for all its readers.
const Driver &driver();

// One simulated reader with the driver's channel to it.
class SimulatedReader {
public:
    explicit SimulatedReader(DWORD reader = 0) : reader_(reader) {}
    ~SimulatedReader();

    // Starts reader-sim at 115200 baud with `cards` in its field; false with a
    // test failure when it does not come up.
    bool start_sim(const std::vector<std::string> &cards,
                   const std::vector<std::string> &options = {});
    // Opens `slot` on DEVICENAME `suffix` appended to the simulator's device.
    RESPONSECODE open(int slot, const std::string &suffix = ":115200");
    // Opens `slot` on DEVICENAME `name`.
    RESPONSECODE open_named(int slot, const std::string &name);
    RESPONSECODE close(int slot);
    // start_sim, then both slots opened.
    bool start(const std::vector<std::string> &cards, const std::string &suffix = ":115200");

    DWORD lun(int slot) const { return reader_ << 16 | static_cast<DWORD>(slot); }
    const std::string &device() const { return sim_.device(); }
    // One control command to the simulator; its answer line.
    std::string sim(const std::string &command) { return sim_.command(command); }
    void stop_sim() { sim_.stop(); }

    RESPONSECODE presence(int slot);
    // Asks until the slot's presence is `expected` (the field slot through its
    // event wait, as pcscd does); false when it is not within `wait`.
    bool await_presence(int slot, RESPONSECODE expected,
                        std::chrono::milliseconds wait = std::chrono::seconds(3));
    // IFD_POWER_UP (or `action`); the ATR, empty on failure, with the result.
    Bytes power(int slot, RESPONSECODE &result, DWORD action = IFD_POWER_UP);
    // await_presence PRESENT, then a power-up; the ATR, with a test failure when
    // either fails.
    Bytes insert_and_power(int slot);
    // One APDU; the answer, with the result.
    Bytes transmit(int slot, const Bytes &apdu, RESPONSECODE &result);
    // One APDU that must succeed; its answer as hex ("9000" for a status alone).
    std::string exchange(int slot, const std::string &apdu_hex);

private:
    DWORD reader_;
    test_support::SimProcess sim_;
    bool open_[2] = {false, false};
};

}  // namespace pcsc_test
