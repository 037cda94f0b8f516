#pragma once

// Cuts the byte stream that arrives on the serial line into request frames, the
// way the reader's firmware does: hunt for AA BB, read the length and its
// complement, then take bytes (stuffing included) until the frame is complete.
// Garbage before a header is skipped; a length that disagrees with its complement,
// or an 0xAA followed by anything but its stuffed 0x00, abandons the frame (an
// 0xAA followed by 0xBB starts a new one). The frames handed out are the wire
// bytes, ready for VirtualReader::handle.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/bytes.h"

namespace sim {

class RequestFramer {
  public:
    // Feeds bytes; every frame they complete is appended to `frames`.
    void feed(ByteView bytes, std::vector<Bytes> &frames);
    void feed_byte(std::uint8_t byte, std::vector<Bytes> &frames);

    // Drops a partial frame (the line went quiet in the middle of one).
    void reset();
    bool in_frame() const { return state_ != State::Hunting; }

  private:
    enum class State { Hunting, HeaderSeen, Length, Complement, Body };

    void start_frame();

    State state_ = State::Hunting;
    Bytes wire_;                 // the frame so far, as received
    std::size_t unescaped_ = 0;  // its bytes counted without stuffing
    std::size_t expected_ = 0;   // unescaped bytes the length byte announces
    std::uint8_t length_ = 0;
    bool stuffing_due_ = false;  // the last byte was an 0xAA inside the frame
};

}  // namespace sim
