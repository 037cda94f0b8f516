#pragma once

// The reader's response frame as it arrives on the line, decoded a byte at a time:
// bytes before the header are skipped, the length byte is checked against its
// complement, and the frame ends exactly where its length byte says, stuffed bytes
// included. Nothing here knows about ports or time.

#include <cstddef>
#include <cstdint>

#include "protocol/frame.h"

namespace selmek {

class FrameReader {
public:
    enum class Progress {
        hunting,   // no header with a matching length complement yet
        in_frame,  // a frame has begun
        complete,  // the frame is whole: frame() and size() hold it
        too_long,  // the frame would not fit the buffer given
    };

    // Decodes into `buffer` (`capacity` bytes), which then holds the frame as it
    // came off the wire, header included and still escaped.
    FrameReader(std::uint8_t *buffer, std::size_t capacity);

    // Takes the next byte off the line. Bytes fed after the frame is complete (or
    // too long) are ignored.
    Progress feed(std::uint8_t byte);

    Progress progress() const;
    const std::uint8_t *frame() const { return buffer_; }
    std::size_t size() const { return size_; }

    // Whether any byte at all was fed (bytes skipped while hunting count).
    bool bytes_seen() const { return bytes_seen_; }

private:
    enum class Step {
        idle,
        header1,
        length,
        length_stuffing,
        complement,
        complement_stuffing,
        body,
        body_stuffing,
        done,
        overflow,
    };

    // One byte through the state machine; false when it showed that the bytes
    // since the last 0xAA 0xBB were no header after all.
    bool step(std::uint8_t byte);
    bool store(std::uint8_t byte);
    void begin_body();

    std::uint8_t *buffer_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    Step step_ = Step::idle;
    std::uint8_t length_ = 0;
    std::size_t remaining_ = 0;  // unescaped body bytes still to come
    bool bytes_seen_ = false;
};

}  // namespace selmek
