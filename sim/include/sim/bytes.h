#pragma once

// Byte strings as the virtual reader and its cards pass them around.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline void append(Bytes &to, ByteView from) { to.insert(to.end(), from.begin(), from.end()); }

// Four bytes, least significant first, as the Mifare value commands carry numbers.
inline std::uint32_t get_le32(const std::uint8_t *in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

inline void put_le32(std::uint8_t *out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Upper-case hex, two digits a byte, separated by spaces ("AA BB 05"); for logs.
std::string to_hex(ByteView bytes);

}  // namespace sim
