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

#include "card_catalog.h"
#include "sim/bytes.h"
#include "virtual_reader.h"

namespace sim_test {

using sim::Bytes;
using sim::ReaderStatus;

using protocol::Command;

// Appends byte strings: cat({0x60, 4}, key).
inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A request frame as the library puts it on the wire (escaped).
Bytes request_frame(std::uint8_t code, const Bytes &data = {}, std::uint16_t address = 0);
inline Bytes request_frame(Command command, const Bytes &data = {}, std::uint16_t address = 0) {
    return request_frame(protocol::code_of(command), data, address);
}

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
    Answer send(Command command, const Bytes &data = {}, std::uint16_t address = 0) {
        return send(protocol::code_of(command), data, address);
    }
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
