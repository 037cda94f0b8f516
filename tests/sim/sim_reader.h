#pragma once

// Drives a VirtualReader the way the library does: requests built by the
// library's own frame codec, responses read back by it. A test then speaks in
// commands and data, and every exchange also checks that the two ends of the
// frame format agree.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/bytes.h"
#include "sim/card_catalog.h"
#include "sim/reader_status.h"
#include "sim/virtual_reader.h"

namespace sim_test {

using sim::Bytes;
using sim::ReaderStatus;

// Command codes, named as the library's exports.
namespace cmd {
inline constexpr std::uint8_t init_com = 0x01, init_device_number = 0x02, get_device_number = 0x03,
                              get_model = 0x04, get_snr = 0x05, beep = 0x06, init_sam = 0x07,
                              sam_rst = 0x08, sam_cos = 0x09, init_type = 0x0A, antenna_sta = 0x0B,
                              request = 0x0C, anticoll = 0x0D, select = 0x0E, halt = 0x0F,
                              download_key = 0x10, authentication1 = 0x11, authentication2 = 0x12,
                              m1_read = 0x13, m1_write = 0x14, initval = 0x15, readval = 0x16,
                              decrement = 0x17, increment = 0x18, restore = 0x19, transfer = 0x1A,
                              typea_rst = 0x1B, cos_command = 0x1C, atqb = 0x1D, attrib = 0x1E,
                              typeb_cos = 0x1F, hltb = 0x20, at020_check = 0x21, at020_read = 0x22,
                              at020_write = 0x23, at020_lock = 0x24, at020_count = 0x25,
                              at020_deselect = 0x26, light = 0x27, cl_deselect = 0x28,
                              st_select = 0x29, st_completion = 0x2A, sr176_read = 0x2B,
                              sr176_write = 0x2C, sr176_protect = 0x2D, srix4k_read = 0x2E,
                              srix4k_write = 0x2F, srix4k_authenticate = 0x30, srix4k_getuid = 0x31,
                              srix4k_writelockreg = 0x32, ul_select = 0x33, ul_write = 0x34,
                              inventory = 0x40, stay_quiet = 0x41, select_15693 = 0x42,
                              reset_to_ready = 0x43, read_15693 = 0x44, write_15693 = 0x45,
                              lock_block = 0x46, write_afi = 0x47, lock_afi = 0x48,
                              write_dsfid = 0x49, lock_dsfid = 0x4A, system_information = 0x4B,
                              block_security = 0x4C, display = 0x60, flash_read = 0x61,
                              flash_write = 0x62, request_080 = 0x70;
}  // namespace cmd

// Appends byte strings: cat({0x60, 4}, key).
inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A request frame as the library puts it on the wire (escaped).
Bytes request_frame(std::uint8_t code, const Bytes &data = {}, std::uint16_t address = 0);

struct Answer {
    bool answered = false;
    std::uint8_t status = 0xFF;
    Bytes data;
    std::uint16_t address = 0;
    std::uint8_t code = 0;

    bool ok() const { return answered && status == 0; }
    ReaderStatus reader_status() const { return static_cast<ReaderStatus>(status); }
};

class SimReader {
  public:
    explicit SimReader(const std::vector<std::string_view> &kinds, unsigned baud = 9600)
        : reader_(sim::make_field(kinds), baud) {}
    // Cards made by the test itself rather than by kind.
    struct OwnCards {};
    SimReader(OwnCards, std::vector<std::unique_ptr<sim::Card>> cards)
        : reader_(std::move(cards)) {}

    sim::VirtualReader &reader() { return reader_; }

    // Sends one command to `address` and reads the response.
    Answer send(std::uint8_t code, const Bytes &data = {}, std::uint16_t address = 0);
    // The wire bytes as they are, for framing tests.
    std::optional<Bytes> send_raw(const Bytes &wire) { return reader_.handle(wire); }

    // Antenna off, protocol, antenna on: every card starts from power-up.
    void power_up(char protocol);
    // power_up('A'), WUPA, anticollision and select of the card that wins.
    Bytes select_type_a();
    // select_type_a() and a key-A authentication of `block` with FF..FF.
    void select_and_authenticate(std::uint8_t block, std::uint8_t auth_code = 0x60,
                                 const Bytes &key = Bytes(6, 0xFF));

    template <typename T>
    T &card(std::size_t index = 0) {
        return dynamic_cast<T &>(*reader_.cards().at(index));
    }

  private:
    sim::VirtualReader reader_;
};

// Status bytes compare as ReaderStatus in failure messages.
inline ::testing::AssertionResult has_status(const Answer &answer, ReaderStatus expected) {
    if (!answer.answered) return ::testing::AssertionFailure() << "no answer";
    if (answer.reader_status() == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "status " << sim::status_name(answer.reader_status()) << " (" << int(answer.status)
           << "), expected " << sim::status_name(expected);
}

}  // namespace sim_test
