#pragma once

// The reader's answers the transport's tests feed it, on any system.

#include <cstdint>
#include <vector>

namespace transport_test {

using Bytes = std::vector<std::uint8_t>;

// A response frame as the reader sends it: header, L = data + 5, ~L, address
// (low, high), command, status, data, check byte (XOR from ~L on), every 0xAA
// from the length byte on followed by 0x00.
Bytes reader_frame(std::uint8_t status, const Bytes &data, std::uint16_t address = 0,
                   std::uint8_t code = 0);

}  // namespace transport_test
