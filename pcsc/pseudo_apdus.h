#pragma once

// The commands of class FF that the driver answers itself, as PC/SC readers do
// for cards that take no APDUs of their own:
//
//   FF CA 00 00 Le        GET DATA: the UID (Type B: the PUPI; ISO 15693: the UID
//                         least significant byte first, as it travels)
//   FF CA 01 00 Le        GET DATA: the historical bytes of a Type A ATS
//   FF 82 00 NN 06 KEY    LOAD KEYS into volatile key slot NN (0 or 1)
//   FF 86 00 00 05 01 00 BB TT NN   GENERAL AUTHENTICATE block BB with key type TT
//                         (60 key A, 61 key B) and the key in slot NN
//   FF 88 00 BB TT NN     AUTHENTICATE, the older form of the same
//   FF B0 00 BB Le        READ BINARY: a Mifare Classic block (16 bytes), four
//                         Ultralight pages from BB (16), an ISO 15693 block; an Le
//                         of 00 reads all of it, a smaller one its first Le bytes
//   FF D6 00 BB Lc DATA   UPDATE BINARY: a Mifare Classic block (16 bytes), an
//                         Ultralight page (4), an ISO 15693 block
//   FF B1 00 BB 04        READ VALUE: a Mifare Classic value block, 4 bytes, most
//                         significant first
//   FF D7 00 BB 05 OP VVVVVVVV   VALUE: OP 00 stores V as a value block, 01 adds
//                         it, 02 subtracts it (V most significant byte first)
//   FF D7 00 BB 02 03 DD  RESTORE value block BB into block DD
//
// Status words: 90 00 done; 62 82 fewer bytes than Le; 6C XX Le shorter than the
// XX bytes there are; 63 00 the card refused (a wrong key); 67 00 wrong length;
// 69 81 not a value block; 69 82 not authenticated for that sector, or the
// card's access conditions forbid it; 69 83/69 86/69 88 LOAD KEYS of a reader
// key, over secured transmission, into non-volatile memory; 69 84 an empty key
// slot; 69 86 a key type other than 60 and 61; 69 88 GENERAL AUTHENTICATE with
// a slot that does not exist; 69 89 LOAD KEYS into one; 6A 81 not supported for
// this card; 6A 82 a block or page out of the card's range.
//
// The driver remembers the application's last authentication that succeeded and
// renews it on the card when the card lost it since (the field is checked by
// selecting the card again, and a card that refuses a command falls back), so a
// sector stays open until the application authenticates elsewhere, the card is
// powered down or the renewal fails (the sector's keys changed meanwhile).

#include <array>
#include <optional>

#include "binding/reader_api.h"
#include "card_activation.h"
#include "command_apdu.h"

namespace pcsc {

using MifareKey = std::array<std::uint8_t, 6>;
inline constexpr std::size_t kKeySlots = 2;
using KeySlots = std::array<std::optional<MifareKey>, kKeySlots>;

// What the driver keeps of a storage card's state between two commands.
struct StorageSession {
    struct Grant {
        int sector = 0;
        std::uint8_t key_type = 0;
        MifareKey key{};
    };
    std::optional<Grant> granted;   // the application's authentication that holds
    bool card_holds_grant = false;  // the card is authenticated for it right now
    bool selected = true;           // the card is selected and takes commands
};

// How one command ended, for the slot.
struct SlotReply {
    enum class Outcome {
        Answered,   // `response` goes back to the application
        Failed,     // the reader or the card failed without an answer; the card stays
        CardGone,   // the card no longer answers
        LineFault,  // the line failed
    };
    Outcome outcome = Outcome::Answered;
    Bytes response;
    std::int32_t result = 0;  // the failing call's result, when not Answered
    // The card itself answered: it is in the field.
    bool card_answered = false;

    static SlotReply answered(Bytes response) {
        return {Outcome::Answered, std::move(response), 0, false};
    }
    static SlotReply status(std::uint16_t word) { return answered(status_only(word)); }
    static SlotReply failed(Outcome outcome, std::int32_t result) {
        return {outcome, {}, result, false};
    }
    // The card carried the command out.
    static SlotReply done_by_card(Bytes response) {
        return {Outcome::Answered, std::move(response), 0, true};
    }
};

class PseudoApdus {
public:
    PseudoApdus(const binding::ReaderApi &api, CardActivation &activation, const FieldCard &card,
                StorageSession &session, KeySlots &keys)
        : api_(api), activation_(activation), card_(card), session_(session), keys_(keys) {}

    // One APDU of class FF, whole as the application sent it.
    SlotReply answer(ByteView apdu);

private:
    SlotReply get_data(const CommandApdu &apdu);
    SlotReply load_keys(const CommandApdu &apdu);
    SlotReply authenticate(int block, std::uint8_t key_type, std::uint8_t key_number);
    SlotReply read_binary(const CommandApdu &apdu);
    SlotReply update_binary(const CommandApdu &apdu);
    SlotReply read_value(const CommandApdu &apdu);
    SlotReply value_operation(const CommandApdu &apdu);

    // A Mifare Classic block the application may use now: in the card's range and
    // in the sector it authenticated, the card selected and holding that
    // authentication. Answered (with the status word) or a failure when not.
    std::optional<SlotReply> open_block(int block);
    std::optional<SlotReply> select_card();
    // The reply to a card command that failed with `result`.
    SlotReply refused(std::int32_t result);

    const binding::ReaderApi &api_;
    CardActivation &activation_;
    const FieldCard &card_;
    StorageSession &session_;
    KeySlots &keys_;
};

}  // namespace pcsc
