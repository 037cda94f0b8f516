#pragma once

// The virtual reader: takes one request frame as it arrives on the serial line and
// gives the response frame, or no answer, as the reader does. It keeps the
// reader's own state (address, model, serial number, beeper, light, antenna field,
// protocol type, display, flash pages, baud rate, loaded Mifare keys) and the cards
// in its field and the SAM in its slot.
//
// What gets no answer: bytes that are not a frame (see decode_request) and frames
// addressed to another reader. The reader answers frames addressed to 0 or to its
// own address, always with its own address in the response. A frame whose check
// byte is wrong is answered with status BadCheck and nothing is carried out.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "cards/card.h"
#include "cards/mifare_classic.h"
#include "protocol/commands.h"
#include "reply.h"
#include "sam.h"
#include "sim/bytes.h"

namespace sim {

using protocol::Command;

class TypeACard;
class TypeBCard;
class At88rf020;
class ShortRangeCard;
class Iso15693Tag;

class VirtualReader {
public:
    static constexpr std::array<std::uint8_t, 2> kModel = {0x02, 0x10};
    static constexpr std::array<std::uint8_t, 8> kSerialNumber = {0x20, 0x24, 0x05, 0x17,
                                                                  0x00, 0x00, 0x31, 0x42};
    static constexpr int kFlashPages = 64;
    static constexpr std::size_t kFlashPageSize = 256;

    // `baud_rate` is one of protocol::kBaudRates (any other starts the reader at
    // 9600). The
    // field starts on, protocol 'A'.
    explicit VirtualReader(std::vector<std::unique_ptr<Card>> cards, unsigned baud_rate = 9600);
    ~VirtualReader();

    // One request frame (wire bytes); the response frame (wire bytes) or nullopt.
    std::optional<Bytes> handle(ByteView wire);

    // The reader's state, for the program and for tests.
    unsigned baud_rate() const { return baud_rate_; }
    std::uint16_t address() const { return address_; }
    bool field_on() const { return field_on_; }
    char protocol_type() const { return protocol_; }
    std::uint8_t light() const { return light_; }
    unsigned beep_count() const { return beep_count_; }
    std::uint8_t last_beep_time() const { return last_beep_time_; }
    const std::array<std::uint8_t, 8> &display() const { return display_; }
    const std::vector<std::unique_ptr<Card>> &cards() const { return cards_; }

    // A card brought into the field, last in it; it starts in its power-on state.
    void insert_card(std::unique_ptr<Card> card);
    // Takes `card` out of the field: no request reaches it any more, whatever it
    // was in the middle of. Null when the card is not in the field.
    std::unique_ptr<Card> remove_card(const Card *card);
    const Sam &sam() const { return sam_; }

  private:
    Reply execute(std::uint8_t code, ByteView data);

    // Device, SAM.
    Reply set_baud_rate(ByteView data);
    Reply set_address(ByteView data);
    Reply beep(ByteView data);
    Reply set_light(ByteView data);
    Reply set_protocol(ByteView data);
    Reply set_antenna(ByteView data);
    Reply show_display(ByteView data);
    Reply read_flash(ByteView data);
    Reply write_flash(ByteView data);
    Reply sam_command(Command command, ByteView data);

    // ISO 14443 Type A and Mifare Classic.
    Reply type_a_command(Command command, ByteView data);
    Reply request_a(ByteView data);
    Reply anticollision(ByteView data);
    Reply select_a(ByteView data);
    Reply download_keys(ByteView data);
    Reply authenticate_loaded(ByteView data);
    Reply authenticate_given(ByteView data);
    Reply value_command(Command command, ByteView data);
    Reply activate_type_a(ByteView data);
    Reply select_ultralight(ByteView data);
    Reply request_080(ByteView data);

    // ISO 14443 Type B and AT88RF020.
    Reply type_b_command(Command command, ByteView data);
    Reply at88rf020_command(Command command, ByteView data);

    // SR176 and SRIX4K.
    Reply short_range_command(Command command, ByteView data);

    // ISO 15693.
    Reply iso15693_command(Command command, ByteView data);
    Reply inventory(ByteView data);

    // The cards of type T that the field reaches: field on and protocol `protocol`
    // selected.
    template <typename T>
    std::vector<T *> reachable(Protocol protocol) const;

    TypeACard *active_type_a() const;
    // The bitwise anticollision among the cards READY at cascade level 0: the card
    // that wins it (at a collision the reader goes on with the 1 bit), or null.
    TypeACard *anticollide() const;
    // SELECT through every remaining cascade level; the last SAK.
    static std::uint8_t select_fully(TypeACard &card);

    std::vector<std::unique_ptr<Card>> cards_;
    Sam sam_;
    unsigned baud_rate_;
    std::uint16_t address_ = 0;
    bool field_on_ = true;
    char protocol_ = static_cast<char>(Protocol::TypeA);
    std::uint8_t light_ = 0;
    unsigned beep_count_ = 0;
    std::uint8_t last_beep_time_ = 0;
    std::array<std::uint8_t, 8> display_{};
    std::vector<Bytes> flash_;
    // Keys loaded by rf_download_key, per kind (A, B): one per sector 0 to 15.
    std::array<std::optional<std::array<MifareKey, 16>>, 2> loaded_keys_;
};

template <typename T>
std::vector<T *> VirtualReader::reachable(Protocol protocol) const {
    std::vector<T *> found;
    if (!field_on_ || protocol_ != static_cast<char>(protocol)) return found;
    for (const auto &card : cards_) {
        if (card->protocol() != protocol) continue;
        if (auto *typed = dynamic_cast<T *>(card.get())) found.push_back(typed);
    }
    return found;
}

}  // namespace sim
