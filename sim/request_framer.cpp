#include "request_framer.h"

#include "sim/wire_frame.h"

namespace sim {

void RequestFramer::reset() {
    state_ = State::Hunting;
    wire_.clear();
    unescaped_ = 0;
    expected_ = 0;
    stuffing_due_ = false;
}

void RequestFramer::start_frame() {
    reset();
    wire_ = {protocol::kHeader0, protocol::kHeader1};
    unescaped_ = 2;
    state_ = State::Length;
}

void RequestFramer::feed(ByteView bytes, std::vector<Bytes> &frames) {
    for (const std::uint8_t byte : bytes) feed_byte(byte, frames);
}

void RequestFramer::feed_byte(std::uint8_t byte, std::vector<Bytes> &frames) {
    if (state_ == State::Hunting) {
        if (byte == protocol::kHeader0) state_ = State::HeaderSeen;
        return;
    }
    if (state_ == State::HeaderSeen) {
        if (byte == protocol::kHeader1) {
            start_frame();
        } else if (byte != protocol::kHeader0) {
            state_ = State::Hunting;
        }
        return;
    }

    if (stuffing_due_) {
        stuffing_due_ = false;
        if (byte == protocol::kStuffedByte) {
            wire_.push_back(byte);
            if (state_ == State::Body && unescaped_ == expected_) {
                frames.push_back(wire_);
                reset();
            }
            return;
        }
        // The 0xAA was not data but the start of something else.
        if (byte == protocol::kHeader1) {
            start_frame();
        } else {
            reset();
            if (byte == protocol::kHeader0) state_ = State::HeaderSeen;
        }
        return;
    }

    wire_.push_back(byte);
    ++unescaped_;
    if (byte == protocol::kEscapedByte) stuffing_due_ = true;

    switch (state_) {
        case State::Length:
            length_ = byte;
            state_ = State::Complement;
            break;
        case State::Complement:
            if (static_cast<std::uint8_t>(length_ ^ byte) != 0xFF ||
                length_ < protocol::kRequestLengthExtra) {
                const bool header_start = byte == protocol::kHeader0;
                reset();
                if (header_start) state_ = State::HeaderSeen;
                return;
            }
            expected_ = static_cast<std::size_t>(length_) + 4;
            state_ = State::Body;
            break;
        default:
            break;
    }
    if (state_ == State::Body && unescaped_ == expected_ && !stuffing_due_) {
        frames.push_back(wire_);
        reset();
    }
}

}  // namespace sim
