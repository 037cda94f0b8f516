#pragma once

// The reader's serial frame. Request, unescaped:
//   AA BB L ~L addr_lo addr_hi command data(L-4) check
// response, unescaped:
//   AA BB L ~L addr_lo addr_hi command status data(L-5) check
// where the check byte is the XOR of everything from ~L to the last data byte. On
// the wire every 0xAA from the length byte on is followed by one stuffed byte.

#include <cstddef>
#include <cstdint>

namespace protocol {

inline constexpr std::uint8_t kHeader0 = 0xAA;
inline constexpr std::uint8_t kHeader1 = 0xBB;
// From the length byte on, this byte is followed on the wire by a stuffed byte:
// 0x00 when sent; a received one is dropped whatever it is.
inline constexpr std::uint8_t kEscapedByte = 0xAA;
inline constexpr std::uint8_t kStuffedByte = 0x00;

// The length byte counts the data plus this many bytes.
inline constexpr std::size_t kRequestLengthExtra = 4;   // address, command, check
inline constexpr std::size_t kResponseLengthExtra = 5;  // address, command, status, check
// What a length byte can announce.
inline constexpr std::size_t kMaxRequestData = 255 - kRequestLengthExtra;    // 251
inline constexpr std::size_t kMaxResponseData = 255 - kResponseLengthExtra;  // 250

// Every reader answers this address as well as its own, so a host that speaks to
// one reader on its line sends everything here.
inline constexpr std::uint16_t kBroadcastAddress = 0;

// The room a host gives an answer of variable size: the most a response can
// carry, rounded up.
inline constexpr std::size_t kAnswerRoom = 256;
static_assert(kAnswerRoom >= kMaxResponseData);

// Positions in an unescaped frame.
inline constexpr std::size_t kLengthPos = 2;
inline constexpr std::size_t kComplementPos = 3;
inline constexpr std::size_t kAddressPos = 4;  // low byte, then high byte
inline constexpr std::size_t kCommandPos = 6;
inline constexpr std::size_t kRequestDataPos = 7;
inline constexpr std::size_t kStatusPos = 7;
inline constexpr std::size_t kResponseDataPos = 8;

// After the header come L, its complement and L more bytes, each of them possibly
// followed by a stuffed byte: no frame on the wire is longer than this.
inline constexpr std::size_t kMaxWireFrame = 2 + 2 * (2 + 255);

// The room the library gives a response frame (and a request frame); the
// transport must never deliver more.
inline constexpr std::size_t kResponseCapacity = 1024;
static_assert(kMaxWireFrame <= kResponseCapacity);

}  // namespace protocol
