#pragma once

// Byte strings as the virtual reader and its cards pass them around.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline Bytes to_bytes(ByteView view) {
    return Bytes(view.begin(), view.end());
}

inline void append(Bytes &to, ByteView from) {
    to.insert(to.end(), from.begin(), from.end());
}

// Upper-case hex, two digits a byte, separated by spaces ("AA BB 05"); for logs.
std::string to_hex(ByteView bytes);

}  // namespace sim
