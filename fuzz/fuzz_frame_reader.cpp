// Feeds arbitrary line bytes to the transport's frame decoder, whose input comes
// straight off the serial line. The first input byte picks the room the decoder
// gets (small rooms reach the overflow path); the rest is the line. Whatever the
// bytes, a complete frame must be the last bytes fed, start with the header, and
// unescape to exactly 4 + L bytes with L's complement after it; and nothing may be
// written past the room.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame_reader.h"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t room = data[0] < 0x80 ? data[0] % 16 : protocol::kMaxWireFrame;
    // Exactly `room` bytes on the heap, so that AddressSanitizer sees any write past it.
    std::vector<std::uint8_t> buffer(room);
    selmek::FrameReader reader(buffer.data(), room);

    std::size_t fed = 0;
    selmek::FrameReader::Progress progress = selmek::FrameReader::Progress::hunting;
    for (std::size_t i = 1; i < size; ++i) {
        progress = reader.feed(data[i]);
        fed = i;
        if (progress == selmek::FrameReader::Progress::complete ||
            progress == selmek::FrameReader::Progress::too_long) {
            break;
        }
    }
    require(reader.size() <= room);
    if (progress == selmek::FrameReader::Progress::too_long) require(reader.size() == room);
    if (progress != selmek::FrameReader::Progress::complete) return 0;

    const std::uint8_t *frame = reader.frame();
    const std::size_t length = reader.size();
    require(length >= 4 && length <= protocol::kMaxWireFrame && fed + 1 >= length);
    for (std::size_t i = 0; i < length; ++i) require(frame[i] == data[fed + 1 - length + i]);
    require(frame[0] == 0xAA && frame[1] == 0xBB);

    std::vector<std::uint8_t> plain(frame, frame + 2);
    for (std::size_t i = 2; i < length; ++i) {
        plain.push_back(frame[i]);
        if (frame[i] == 0xAA) ++i;
    }
    require(plain.size() == 4u + plain[2]);
    require(plain[3] == static_cast<std::uint8_t>(~plain[2]));
    return 0;
}
