#pragma once

#include <cstdint>
#include <span>

#include "reader/frame_codec.h"

namespace drovik {

// One reader command for the duration of one export call: the escaped request
// and the transport's response. Everything starts zeroed, so a position that a
// short response does not reach reads as 0.
class CommandFrame {
public:
    // `data` must hold at most protocol::kMaxRequestData bytes (the caller checks).
    CommandFrame(std::uint16_t address, std::uint8_t code, std::span<const std::uint8_t> data);
    CommandFrame(const CommandFrame &) = delete;
    CommandFrame &operator=(const CommandFrame &) = delete;

    const std::uint8_t *request() const { return request_; }
    std::int32_t request_length() const { return request_length_; }

    // Where the transport writes the response, and its count.
    std::uint8_t *response_buffer() { return response_; }
    std::uint32_t *response_length_slot() { return &response_length_; }

    // Clears the response so the same request can be exchanged again.
    void reset_response();

    // Unescapes the received response in place; a count beyond the buffer (which
    // a transport must never report) counts as no response at all.
    void unescape_response();

    ResponseView response() const { return read_response(response_, response_length_); }

    // The byte at the status position as it stands: unescaped once
    // unescape_response ran, raw before, 0 when the response did not reach it.
    std::uint8_t status_byte() const { return response_[protocol::kStatusPos]; }

private:
    std::uint8_t request_[protocol::kResponseCapacity] = {};
    std::int32_t request_length_ = 0;
    std::uint8_t response_[protocol::kResponseCapacity] = {};
    std::uint32_t response_length_ = 0;
};

}  // namespace drovik
