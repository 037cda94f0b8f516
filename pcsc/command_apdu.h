#pragma once

// A short command APDU as an application hands it to the driver: the header,
// the command data (Lc), and the length of answer it expects (Le).

#include <cstddef>
#include <cstdint>
#include <optional>

#include "field_card.h"

namespace pcsc {

struct CommandApdu {
    std::uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
    ByteView data;
    // Le as a count: an Le byte of 00 stands for 256. Unset when the APDU has none.
    std::optional<std::size_t> le;
};

// The four cases of short APDUs; nullopt when the length bytes do not add up to
// the APDU's size (an extended APDU included) or it is shorter than its header.
std::optional<CommandApdu> parse_command_apdu(ByteView apdu);

// Status words the driver answers with itself.
namespace sw {
inline constexpr std::uint16_t kDone = 0x9000;
inline constexpr std::uint16_t kEndOfData = 0x6282;  // fewer bytes than Le
inline constexpr std::uint16_t kFailed = 0x6300;     // the card refused
inline constexpr std::uint16_t kWrongLength = 0x6700;
inline constexpr std::uint16_t kIncompatible = 0x6981;  // not a value block
inline constexpr std::uint16_t kNotAuthenticated = 0x6982;
inline constexpr std::uint16_t kReaderKeyUnsupported = 0x6983;    // LOAD KEYS: reader key
inline constexpr std::uint16_t kKeyNotUsable = 0x6984;            // an empty key slot
inline constexpr std::uint16_t kKeyTypeUnknown = 0x6986;          // GENERAL AUTHENTICATE
inline constexpr std::uint16_t kSecuredUnsupported = 0x6986;      // LOAD KEYS: secured transmission
inline constexpr std::uint16_t kKeyNumberInvalid = 0x6988;        // GENERAL AUTHENTICATE
inline constexpr std::uint16_t kNonVolatileUnavailable = 0x6988;  // LOAD KEYS
inline constexpr std::uint16_t kKeySlotInvalid = 0x6989;          // LOAD KEYS
inline constexpr std::uint16_t kNotSupported = 0x6A81;
inline constexpr std::uint16_t kOutOfRange = 0x6A82;
inline constexpr std::uint16_t kClassNotSupported = 0x6E00;
// 6C XX: Le shorter than the data, XX the data's length.
inline constexpr std::uint16_t kExactLength = 0x6C00;
}  // namespace sw

// `data` followed by the status word.
Bytes with_status(ByteView data, std::uint16_t status);
inline Bytes status_only(std::uint16_t status) { return with_status({}, status); }

}  // namespace pcsc
