#include "frame_reader.h"

namespace selmek {

namespace {

// A false header hands back at most the four bytes it had taken after its 0xAA
// (0xBB, L, a stuffed byte, the mismatching complement), so this many bytes can
// ever be waiting to go through the state machine again.
constexpr std::size_t kReplayRoom = 8;

}  // namespace

FrameReader::FrameReader(std::uint8_t *buffer, std::size_t capacity)
    : buffer_(buffer), capacity_(capacity) {}

FrameReader::Progress FrameReader::feed(std::uint8_t byte) {
    bytes_seen_ = true;
    // The new byte, and after a false header the bytes that header had taken: the
    // real header may begin among them.
    std::uint8_t queue[kReplayRoom];
    std::size_t head = 0;
    std::size_t tail = 0;
    queue[tail++] = byte;
    while (head < tail) {
        const std::uint8_t next = queue[head++];
        if (step(next)) continue;

        std::uint8_t again[kReplayRoom];
        std::size_t count = 0;
        for (std::size_t i = 1; i < size_; ++i) again[count++] = buffer_[i];
        again[count++] = next;
        while (head < tail) again[count++] = queue[head++];
        for (std::size_t i = 0; i < count; ++i) queue[i] = again[i];
        head = 0;
        tail = count;
        size_ = 0;
        step_ = Step::idle;
    }
    return progress();
}

bool FrameReader::store(std::uint8_t byte) {
    if (size_ == capacity_) {
        step_ = Step::overflow;
        return false;
    }
    buffer_[size_++] = byte;
    return true;
}

void FrameReader::begin_body() {
    remaining_ = length_;
    step_ = remaining_ == 0 ? Step::done : Step::body;
}

bool FrameReader::step(std::uint8_t byte) {
    switch (step_) {
        case Step::idle:
            if (byte == protocol::kHeader0 && store(byte)) step_ = Step::header1;
            return true;
        case Step::header1:
            if (byte == protocol::kHeader1) {
                if (store(byte)) step_ = Step::length;
            } else if (byte == protocol::kHeader0) {
                size_ = 0;  // this 0xAA may be the one that starts the header
                store(byte);
            } else {
                size_ = 0;
                step_ = Step::idle;
            }
            return true;
        case Step::length:
            if (!store(byte)) return true;
            length_ = byte;
            step_ = byte == protocol::kEscapedByte ? Step::length_stuffing : Step::complement;
            return true;
        case Step::length_stuffing:
            if (store(byte)) step_ = Step::complement;
            return true;
        case Step::complement:
            if (byte != static_cast<std::uint8_t>(~length_)) return false;
            if (!store(byte)) return true;
            if (byte == protocol::kEscapedByte) {
                step_ = Step::complement_stuffing;
            } else {
                begin_body();
            }
            return true;
        case Step::complement_stuffing:
            if (store(byte)) begin_body();
            return true;
        case Step::body:
            if (!store(byte)) return true;
            --remaining_;
            if (byte == protocol::kEscapedByte) {
                step_ = Step::body_stuffing;
            } else if (remaining_ == 0) {
                step_ = Step::done;
            }
            return true;
        case Step::body_stuffing:
            if (store(byte)) step_ = remaining_ == 0 ? Step::done : Step::body;
            return true;
        case Step::done:
        case Step::overflow:
            return true;
    }
    return true;
}

FrameReader::Progress FrameReader::progress() const {
    switch (step_) {
        case Step::idle:
        case Step::header1:
            return Progress::hunting;
        case Step::done:
            return Progress::complete;
        case Step::overflow:
            return Progress::too_long;
        default:
            return Progress::in_frame;
    }
}

}  // namespace selmek
