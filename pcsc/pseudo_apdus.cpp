#include "pseudo_apdus.h"

#include <algorithm>

#include "contactless_atr.h"
#include "protocol/frame.h"
#include "protocol/reader_status.h"

namespace pcsc {

namespace {

constexpr std::uint8_t kGetData = 0xCA;
constexpr std::uint8_t kLoadKeys = 0x82;
constexpr std::uint8_t kGeneralAuthenticate = 0x86;
constexpr std::uint8_t kAuthenticate = 0x88;
constexpr std::uint8_t kReadBinary = 0xB0;
constexpr std::uint8_t kUpdateBinary = 0xD6;
constexpr std::uint8_t kReadValue = 0xB1;
constexpr std::uint8_t kValue = 0xD7;

constexpr std::uint8_t kKeyA = 0x60, kKeyB = 0x61;
constexpr std::size_t kAuthenticateSize = 6;  // FF 88 00 BB TT NN
constexpr std::uint8_t kAuthenticateVersion = 0x01;

// LOAD KEYS' key structure byte.
constexpr std::uint8_t kReaderKey = 0x80, kSecured = 0x40, kNonVolatile = 0x20;

constexpr std::size_t kMifareBlockSize = 16;
constexpr std::size_t kUltralightPageSize = 4;
constexpr std::size_t kUltralightReadSize = 16;  // a read brings four pages
constexpr std::uint8_t kIso15693Addressed = 0x22;

// VALUE's operations.
constexpr std::uint8_t kStoreValue = 0x00, kIncrement = 0x01, kDecrement = 0x02;
constexpr std::uint8_t kRestoreOperation = 0x03;

using protocol::ReaderStatus;
using Answer = std::array<std::uint8_t, protocol::kMaxResponseData>;

constexpr std::int32_t status_of(ReaderStatus value) { return protocol::status_byte(value); }

// The bytes Le asks for out of `available`; nullopt when it asks for more. No Le,
// or 00, asks for all of them.
std::optional<std::size_t> wanted(const CommandApdu &apdu, std::size_t available) {
    if (!apdu.le || *apdu.le == 256) return available;
    if (*apdu.le > available) return std::nullopt;
    return *apdu.le;
}

std::int32_t big_endian(ByteView bytes) {
    std::uint32_t value = 0;
    for (std::uint8_t byte : bytes) value = value << 8 | byte;
    return static_cast<std::int32_t>(value);
}

}  // namespace

SlotReply PseudoApdus::answer(ByteView apdu) {
    // The older AUTHENTICATE has its key type where an Lc would stand.
    if (apdu.size() >= 2 && apdu[1] == kAuthenticate) {
        if (apdu.size() != kAuthenticateSize) return SlotReply::status(sw::kWrongLength);
        return authenticate(apdu[2] << 8 | apdu[3], apdu[4], apdu[5]);
    }
    const auto parsed = parse_command_apdu(apdu);
    if (!parsed) return SlotReply::status(sw::kWrongLength);
    switch (parsed->ins) {
        case kGetData:
            return get_data(*parsed);
        case kLoadKeys:
            return load_keys(*parsed);
        case kGeneralAuthenticate: {
            const ByteView data = parsed->data;
            if (data.size() != 5 || parsed->le) return SlotReply::status(sw::kWrongLength);
            if (data[0] != kAuthenticateVersion) return SlotReply::status(sw::kNotSupported);
            return authenticate(data[1] << 8 | data[2], data[3], data[4]);
        }
        case kReadBinary:
            return read_binary(*parsed);
        case kUpdateBinary:
            return update_binary(*parsed);
        case kReadValue:
            return read_value(*parsed);
        case kValue:
            return value_operation(*parsed);
        default:
            return SlotReply::status(sw::kNotSupported);
    }
}

SlotReply PseudoApdus::get_data(const CommandApdu &apdu) {
    if (!apdu.data.empty()) return SlotReply::status(sw::kWrongLength);
    if (apdu.p2 != 0) return SlotReply::status(sw::kNotSupported);
    Bytes data;
    if (apdu.p1 == 0x00) {
        data = card_.uid;
    } else if (apdu.p1 == 0x01 && card_.kind == CardKind::Iso14443_4A) {
        data = ats_historical_bytes(card_.ats);
    } else {
        return SlotReply::status(sw::kNotSupported);
    }
    if (apdu.le && *apdu.le != 256) {
        if (*apdu.le < data.size()) {
            return SlotReply::status(static_cast<std::uint16_t>(sw::kExactLength | data.size()));
        }
        if (*apdu.le > data.size()) return SlotReply::answered(with_status(data, sw::kEndOfData));
    }
    return SlotReply::answered(with_status(data, sw::kDone));
}

SlotReply PseudoApdus::load_keys(const CommandApdu &apdu) {
    if (apdu.data.size() != std::tuple_size_v<MifareKey> || apdu.le) {
        return SlotReply::status(sw::kWrongLength);
    }
    if (apdu.p1 & kReaderKey) return SlotReply::status(sw::kReaderKeyUnsupported);
    if (apdu.p1 & kSecured) return SlotReply::status(sw::kSecuredUnsupported);
    if (apdu.p1 & kNonVolatile) return SlotReply::status(sw::kNonVolatileUnavailable);
    if (apdu.p1 != 0) return SlotReply::status(sw::kNotSupported);
    if (apdu.p2 >= kKeySlots) return SlotReply::status(sw::kKeySlotInvalid);
    MifareKey key{};
    std::copy(apdu.data.begin(), apdu.data.end(), key.begin());
    keys_[apdu.p2] = key;
    return SlotReply::status(sw::kDone);
}

std::optional<SlotReply> PseudoApdus::select_card() {
    if (session_.selected) return std::nullopt;
    const Look look = activation_.check(card_, false);
    if (!look.card()) {
        return SlotReply::failed(look.seen == Look::Seen::LineFault ? SlotReply::Outcome::LineFault
                                                                    : SlotReply::Outcome::CardGone,
                                 look.result);
    }
    session_.selected = true;
    session_.card_holds_grant = false;
    return std::nullopt;
}

SlotReply PseudoApdus::refused(std::int32_t result) {
    if (is_line_fault(result)) return SlotReply::failed(SlotReply::Outcome::LineFault, result);
    // A card that refuses a command falls back and must be selected again.
    session_.selected = false;
    session_.card_holds_grant = false;
    switch (result) {
        case status_of(ReaderStatus::NoCard):
            return SlotReply::failed(SlotReply::Outcome::CardGone, result);
        case status_of(ReaderStatus::NotAuthenticated):
        case status_of(ReaderStatus::NotAllowed):
            return SlotReply::status(sw::kNotAuthenticated);
        case status_of(ReaderStatus::ValueFormat):
            return SlotReply::status(sw::kIncompatible);
        case status_of(ReaderStatus::BadAddress):
            return SlotReply::status(sw::kOutOfRange);
        default:
            return SlotReply::status(sw::kFailed);
    }
}

SlotReply PseudoApdus::authenticate(int block, std::uint8_t key_type, std::uint8_t key_number) {
    if (!is_mifare_classic(card_.kind)) return SlotReply::status(sw::kNotSupported);
    if (block >= mifare_block_count(card_.kind)) return SlotReply::status(sw::kOutOfRange);
    if (key_type != kKeyA && key_type != kKeyB) return SlotReply::status(sw::kKeyTypeUnknown);
    if (key_number >= kKeySlots) return SlotReply::status(sw::kKeyNumberInvalid);
    if (!keys_[key_number]) return SlotReply::status(sw::kKeyNotUsable);
    if (auto failed = select_card()) return *failed;

    // A new authentication replaces the one before, whatever its outcome.
    session_.granted.reset();
    session_.card_holds_grant = false;
    const MifareKey &key = *keys_[key_number];
    const std::int32_t result =
        api_.rf_M1_authentication2(kReaderAddress, key_type, block, key.data());
    if (result != 0) return refused(result);
    session_.granted = StorageSession::Grant{mifare_sector_of(block), key_type, key};
    session_.card_holds_grant = true;
    return SlotReply::done_by_card(status_only(sw::kDone));
}

std::optional<SlotReply> PseudoApdus::open_block(int block) {
    if (block >= mifare_block_count(card_.kind)) return SlotReply::status(sw::kOutOfRange);
    if (!session_.granted || session_.granted->sector != mifare_sector_of(block)) {
        return SlotReply::status(sw::kNotAuthenticated);
    }
    if (auto failed = select_card()) return failed;
    if (session_.card_holds_grant) return std::nullopt;
    const StorageSession::Grant grant = *session_.granted;
    const std::int32_t result =
        api_.rf_M1_authentication2(kReaderAddress, grant.key_type, block, grant.key.data());
    if (result != 0) {
        // The keys changed since: the application has to authenticate again.
        session_.granted.reset();
        SlotReply reply = refused(result);
        if (reply.outcome == SlotReply::Outcome::Answered) {
            return SlotReply::status(sw::kNotAuthenticated);
        }
        return reply;
    }
    session_.card_holds_grant = true;
    return std::nullopt;
}

SlotReply PseudoApdus::read_binary(const CommandApdu &apdu) {
    if (!apdu.data.empty()) return SlotReply::status(sw::kWrongLength);
    const int address = apdu.p1 << 8 | apdu.p2;
    Answer answer{};
    std::uint8_t length = 0;
    std::size_t expected = 0;
    std::int32_t result = 0;
    if (is_mifare_classic(card_.kind) || card_.kind == CardKind::MifareUltralight) {
        const bool classic = is_mifare_classic(card_.kind);
        expected = classic ? kMifareBlockSize : kUltralightReadSize;
        if (address > 0xFF) return SlotReply::status(sw::kOutOfRange);
        if (!wanted(apdu, expected)) return SlotReply::status(sw::kWrongLength);
        if (classic) {
            if (auto refusal = open_block(address)) return *refusal;
        } else if (auto failed = select_card()) {
            return *failed;
        }
        result = api_.rf_M1_read(kReaderAddress, address, answer.data(), &length);
    } else if (card_.kind == CardKind::Iso15693) {
        expected = static_cast<std::size_t>(card_.block_size);
        if (address >= card_.block_count) return SlotReply::status(sw::kOutOfRange);
        if (!wanted(apdu, expected)) return SlotReply::status(sw::kWrongLength);
        result = api_.ISO15693_Read(kReaderAddress, kIso15693Addressed, card_.uid.data(), address,
                                    1, answer.data(), &length);
    } else {
        return SlotReply::status(sw::kNotSupported);
    }
    if (result != 0) return refused(result);
    if (length != expected) return refused(status_of(ReaderStatus::CardError));
    const ByteView data(answer.data(), *wanted(apdu, expected));
    return SlotReply::done_by_card(with_status(data, sw::kDone));
}

SlotReply PseudoApdus::update_binary(const CommandApdu &apdu) {
    if (apdu.le) return SlotReply::status(sw::kWrongLength);
    const int address = apdu.p1 << 8 | apdu.p2;
    const ByteView data = apdu.data;
    std::int32_t result = 0;
    if (is_mifare_classic(card_.kind)) {
        if (data.size() != kMifareBlockSize) return SlotReply::status(sw::kWrongLength);
        if (auto refusal = open_block(address)) return *refusal;
        result = api_.rf_M1_write(kReaderAddress, address, data.data());
    } else if (card_.kind == CardKind::MifareUltralight) {
        if (data.size() != kUltralightPageSize) return SlotReply::status(sw::kWrongLength);
        if (address > 0xFF) return SlotReply::status(sw::kOutOfRange);
        if (auto failed = select_card()) return *failed;
        result = api_.rf_ul_write(kReaderAddress, address, data.data());
    } else if (card_.kind == CardKind::Iso15693) {
        // The library writes blocks of four bytes.
        if (card_.block_size != 4) return SlotReply::status(sw::kNotSupported);
        if (data.size() != 4) return SlotReply::status(sw::kWrongLength);
        if (address >= card_.block_count) return SlotReply::status(sw::kOutOfRange);
        result = api_.ISO15693_Write(kReaderAddress, kIso15693Addressed, card_.uid.data(), address,
                                     data.data());
    } else {
        return SlotReply::status(sw::kNotSupported);
    }
    if (result != 0) return refused(result);
    return SlotReply::done_by_card(status_only(sw::kDone));
}

SlotReply PseudoApdus::read_value(const CommandApdu &apdu) {
    if (!is_mifare_classic(card_.kind)) return SlotReply::status(sw::kNotSupported);
    if (!apdu.data.empty() || (apdu.le && *apdu.le != 4 && *apdu.le != 256)) {
        return SlotReply::status(sw::kWrongLength);
    }
    const int block = apdu.p1 << 8 | apdu.p2;
    if (auto refusal = open_block(block)) return *refusal;
    std::int32_t value = 0;
    const std::int32_t result = api_.rf_M1_readval(kReaderAddress, block, &value);
    if (result != 0) return refused(result);
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint8_t data[] = {
        static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
        static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
    return SlotReply::done_by_card(with_status(data, sw::kDone));
}

SlotReply PseudoApdus::value_operation(const CommandApdu &apdu) {
    if (!is_mifare_classic(card_.kind)) return SlotReply::status(sw::kNotSupported);
    if (apdu.le || apdu.data.empty()) return SlotReply::status(sw::kWrongLength);
    const int block = apdu.p1 << 8 | apdu.p2;
    const ByteView data = apdu.data;
    const std::uint8_t operation = data[0];
    if (operation == kRestoreOperation) {
        if (data.size() != 2) return SlotReply::status(sw::kWrongLength);
        const int target = data[1];
        if (target >= mifare_block_count(card_.kind)) return SlotReply::status(sw::kOutOfRange);
        if (mifare_sector_of(target) != mifare_sector_of(block)) {
            return SlotReply::status(sw::kNotAuthenticated);
        }
        if (auto refusal = open_block(block)) return *refusal;
        std::int32_t result = api_.rf_M1_restore(kReaderAddress, block);
        if (result == 0) result = api_.rf_M1_transfer(kReaderAddress, target);
        if (result != 0) return refused(result);
        return SlotReply::done_by_card(status_only(sw::kDone));
    }
    if (data.size() != 5) return SlotReply::status(sw::kWrongLength);
    if (operation != kStoreValue && operation != kIncrement && operation != kDecrement) {
        return SlotReply::status(sw::kNotSupported);
    }
    if (auto refusal = open_block(block)) return *refusal;
    const std::int32_t value = big_endian(data.subspan(1, 4));
    std::int32_t result = 0;
    switch (operation) {
        case kStoreValue:
            result = api_.rf_M1_initval(kReaderAddress, block, value);
            break;
        case kIncrement:
            result = api_.rf_M1_increment(kReaderAddress, block, value);
            break;
        default:
            result = api_.rf_M1_decrement(kReaderAddress, block, value);
            break;
    }
    if (result != 0) return refused(result);
    return SlotReply::done_by_card(status_only(sw::kDone));
}

}  // namespace pcsc
