#pragma once

// The reader's serial frame, as pure functions over byte buffers: build an
// escaped request, unescape a response, read the parts of an unescaped response.
// Nothing here knows about ports or about what a command means.

#include <cstddef>
#include <cstdint>

#include "protocol/frame.h"

namespace drovik {

// Writes the escaped request frame for (address, code, data[0..count-1]) into `out`
// and returns its length. `count` must be 0..protocol::kMaxRequestData and `out`
// must hold protocol::kMaxWireFrame bytes; `data` may be null when `count` is 0.
std::size_t build_request(std::uint8_t *out, std::uint16_t address, std::uint8_t code,
                          const std::uint8_t *data, int count);

// Unescapes `length` bytes of a received response in place: positions 0 and 1
// stay, and from position 2 on the byte after every 0xAA is dropped whatever it
// is. Returns the new length.
std::size_t unescape_response(std::uint8_t *frame, std::size_t length);

// What an unescaped response says. `complete` is false when the frame is too
// short to hold its status byte, or shorter than its length byte announces; the
// other fields are then not to be used.
struct ResponseView {
    bool complete = false;
    std::uint8_t status = 0;
    std::uint16_t address = 0;
    const std::uint8_t *data = nullptr;
    std::size_t data_count = 0;
};

ResponseView read_response(const std::uint8_t *frame, std::size_t length);

}  // namespace drovik
