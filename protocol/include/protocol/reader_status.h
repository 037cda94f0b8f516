#pragma once

// The status byte a reader puts at position 7 of its response frame. 0 means the
// command was carried out; every other value says why not. The library passes the
// value through unchanged, so these are codes an operator sees. Status 1 is never
// sent: the library returns 1 for arguments it refuses itself.

#include <array>
#include <cstdint>
#include <string_view>

namespace protocol {

enum class ReaderStatus : std::uint8_t {
    Ok = 0x00,
    // No card answered: the field is off, another protocol is selected, or no card
    // of this protocol is in a state to answer (halted, not selected, ...).
    NoCard = 0x02,
    // More than one card answered at once and the reader could not tell them apart.
    Collision = 0x03,
    // Authentication failed: wrong key, a key that may not authenticate (Mifare key B
    // while it is readable), wrong AT88RF020 password.
    AuthFailed = 0x04,
    // The operation needs an authentication (or password check) that has not been
    // made, or was made for another sector.
    NotAuthenticated = 0x05,
    // The card refused: access conditions, a locked block or page, a read-only area,
    // an exhausted counter.
    NotAllowed = 0x06,
    // The block is not a value block in the card's format.
    ValueFormat = 0x07,
    // Block, page or sector beyond the card's memory, or a flash page beyond the
    // reader's.
    BadAddress = 0x08,
    // ISO 15693: the block, AFI or DSFID is already locked.
    AlreadyLocked = 0x09,
    // A parameter the reader does not accept: request code, protocol type, baud
    // code, antenna state, colour, block count, SAM configuration, ...
    BadParameter = 0x0A,
    // The request carries the wrong number of data bytes for its command.
    BadLength = 0x0B,
    // The command code is not one the reader knows.
    UnknownCommand = 0x0C,
    // The request frame's check byte is wrong.
    BadCheck = 0x0D,
    // rf_M1_authentication1 with no key of that kind loaded for the sector.
    NoKeyLoaded = 0x0E,
    // The selected Type A card does not speak ISO 14443-4, or no card is activated
    // for an APDU exchange.
    NotIso14443_4 = 0x0F,
    // A SAM command before the SAM was reset.
    SamNotReset = 0x10,
    // The card's answer does not fit in a response frame (more than 250 bytes).
    AnswerTooLong = 0x11,
    // The card answered with an error that none of the codes above describes (an
    // unsupported command, an answer of the wrong size).
    CardError = 0x12,
};

inline constexpr std::array<ReaderStatus, 18> kReaderStatuses = {
    ReaderStatus::Ok,           ReaderStatus::NoCard,           ReaderStatus::Collision,
    ReaderStatus::AuthFailed,   ReaderStatus::NotAuthenticated, ReaderStatus::NotAllowed,
    ReaderStatus::ValueFormat,  ReaderStatus::BadAddress,       ReaderStatus::AlreadyLocked,
    ReaderStatus::BadParameter, ReaderStatus::BadLength,        ReaderStatus::UnknownCommand,
    ReaderStatus::BadCheck,     ReaderStatus::NoKeyLoaded,      ReaderStatus::NotIso14443_4,
    ReaderStatus::SamNotReset,  ReaderStatus::AnswerTooLong,    ReaderStatus::CardError,
};

constexpr std::uint8_t status_byte(ReaderStatus status) {
    return static_cast<std::uint8_t>(status);
}

// A short English meaning, a few words.
constexpr std::string_view status_name(ReaderStatus status) {
    switch (status) {
        case ReaderStatus::Ok:
            return "done";
        case ReaderStatus::NoCard:
            return "no card";
        case ReaderStatus::Collision:
            return "collision";
        case ReaderStatus::AuthFailed:
            return "authentication failed";
        case ReaderStatus::NotAuthenticated:
            return "not authenticated";
        case ReaderStatus::NotAllowed:
            return "not allowed";
        case ReaderStatus::ValueFormat:
            return "not a value block";
        case ReaderStatus::BadAddress:
            return "no such block";
        case ReaderStatus::AlreadyLocked:
            return "already locked";
        case ReaderStatus::BadParameter:
            return "bad parameter";
        case ReaderStatus::BadLength:
            return "bad data length";
        case ReaderStatus::UnknownCommand:
            return "unknown command";
        case ReaderStatus::BadCheck:
            return "bad check byte";
        case ReaderStatus::NoKeyLoaded:
            return "no key loaded";
        case ReaderStatus::NotIso14443_4:
            return "not an ISO 14443-4 card";
        case ReaderStatus::SamNotReset:
            return "SAM not reset";
        case ReaderStatus::AnswerTooLong:
            return "answer too long";
        case ReaderStatus::CardError:
            return "card error";
    }
    return "unknown status";
}

}  // namespace protocol
