// The reader's own commands: line rate, address, beeper, light, protocol type,
// antenna field, display, flash memory; and the SAM slot.

#include <algorithm>

#include "protocol/baud_rates.h"
#include "protocol/card_protocols.h"
#include "virtual_reader.h"

namespace sim {

namespace {

constexpr std::uint8_t kLastColour = 3;  // 0 off, 1 red, 2 green, 3 yellow

}  // namespace

Reply VirtualReader::set_baud_rate(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    const std::int32_t rate = protocol::baud_rate_of(data[0]);
    if (rate == 0) return Reply::fail(ReaderStatus::BadParameter);
    // The answer still goes out at the old rate; the serving loop switches after it.
    baud_rate_ = static_cast<unsigned>(rate);
    return Reply::ok();
}

Reply VirtualReader::set_address(ByteView data) {
    if (data.size() != 2) return Reply::fail(ReaderStatus::BadLength);
    address_ = static_cast<std::uint16_t>(data[0] | data[1] << 8);
    return Reply::ok();
}

Reply VirtualReader::beep(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    ++beep_count_;
    last_beep_time_ = data[0];
    return Reply::ok();
}

Reply VirtualReader::set_light(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    if (data[0] > kLastColour) return Reply::fail(ReaderStatus::BadParameter);
    light_ = data[0];
    return Reply::ok();
}

Reply VirtualReader::set_protocol(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    const char type = static_cast<char>(data[0]);
    if (std::find(std::begin(protocol::kCardProtocols), std::end(protocol::kCardProtocols), type) ==
        std::end(protocol::kCardProtocols)) {
        return Reply::fail(ReaderStatus::BadParameter);
    }
    protocol_ = type;
    return Reply::ok();
}

Reply VirtualReader::set_antenna(ByteView data) {
    if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
    if (data[0] > 1) return Reply::fail(ReaderStatus::BadParameter);
    const bool on = data[0] == 1;
    // Without the field the cards lose power: every card state is gone.
    if (!on) {
        for (const auto &card : cards_) card->power_off();
    }
    field_on_ = on;
    return Reply::ok();
}

Reply VirtualReader::show_display(ByteView data) {
    if (data.size() != display_.size()) return Reply::fail(ReaderStatus::BadLength);
    std::copy(data.begin(), data.end(), display_.begin());
    return Reply::ok();
}

Reply VirtualReader::read_flash(ByteView data) {
    if (data.size() != 4) return Reply::fail(ReaderStatus::BadLength);
    const int page = data[0] << 8 | data[1];
    const std::size_t offset = data[2], count = data[3];
    if (page >= kFlashPages) return Reply::fail(ReaderStatus::BadAddress);
    if (offset + count > kFlashPageSize) return Reply::fail(ReaderStatus::BadParameter);
    const Bytes &stored = flash_[static_cast<std::size_t>(page)];
    return Reply::ok(Bytes(stored.begin() + static_cast<std::ptrdiff_t>(offset),
                           stored.begin() + static_cast<std::ptrdiff_t>(offset + count)));
}

Reply VirtualReader::write_flash(ByteView data) {
    if (data.size() < 4 || data.size() != 4u + data[3]) return Reply::fail(ReaderStatus::BadLength);
    const int page = data[0] << 8 | data[1];
    const std::size_t offset = data[2], count = data[3];
    if (page >= kFlashPages) return Reply::fail(ReaderStatus::BadAddress);
    if (offset + count > kFlashPageSize) return Reply::fail(ReaderStatus::BadParameter);
    std::copy(data.begin() + 4, data.end(),
              flash_[static_cast<std::size_t>(page)].begin() + static_cast<std::ptrdiff_t>(offset));
    return Reply::ok();
}

Reply VirtualReader::sam_command(Command command, ByteView data) {
    switch (command) {
        case Command::SamConfigure:
            if (data.size() != 1) return Reply::fail(ReaderStatus::BadLength);
            return sam_.configure(data[0]);
        case Command::SamReset:
            if (!data.empty()) return Reply::fail(ReaderStatus::BadLength);
            return sam_.reset();
        case Command::SamCommand:
            return sam_.exchange(data);
        default:
            return Reply::fail(ReaderStatus::UnknownCommand);
    }
}

}  // namespace sim
