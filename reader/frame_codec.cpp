#include "reader/frame_codec.h"

namespace drovik {

using protocol::kEscapedByte;

namespace {

// Appends one byte of the frame body, followed by 0x00 when it is 0xAA, so that
// the reader never takes it for the start of a header.
std::uint8_t *put_escaped(std::uint8_t *out, std::uint8_t byte) {
    *out++ = byte;
    if (byte == kEscapedByte) *out++ = protocol::kStuffedByte;
    return out;
}

}  // namespace

std::size_t build_request(std::uint8_t *out, std::uint16_t address, std::uint8_t code,
                          const std::uint8_t *data, int count) {
    if (count < 0 || data == nullptr) count = 0;
    const auto length = static_cast<std::uint8_t>(count + protocol::kRequestLengthExtra);
    const auto complement = static_cast<std::uint8_t>(~length);
    const auto address_low = static_cast<std::uint8_t>(address & 0xFF);
    const auto address_high = static_cast<std::uint8_t>(address >> 8);

    std::uint8_t *p = out;
    *p++ = protocol::kHeader0;
    *p++ = protocol::kHeader1;
    p = put_escaped(p, length);
    p = put_escaped(p, complement);
    p = put_escaped(p, address_low);
    p = put_escaped(p, address_high);
    p = put_escaped(p, code);
    // The check byte covers everything after the length byte itself.
    std::uint8_t check = complement ^ address_low ^ address_high ^ code;
    for (int i = 0; i < count; ++i) {
        check ^= data[i];
        p = put_escaped(p, data[i]);
    }
    p = put_escaped(p, check);
    return static_cast<std::size_t>(p - out);
}

std::size_t unescape_response(std::uint8_t *frame, std::size_t length) {
    if (length <= 2) return length;
    std::size_t write = 2;
    for (std::size_t read = 2; read < length; ++read) {
        const std::uint8_t byte = frame[read];
        frame[write++] = byte;
        if (byte == kEscapedByte) ++read;  // the stuffed byte, whatever it is
    }
    return write;
}

ResponseView read_response(const std::uint8_t *frame, std::size_t length) {
    ResponseView view;
    if (length <= protocol::kStatusPos) return view;
    const std::uint8_t announced = frame[protocol::kLengthPos];
    const std::size_t count = announced > protocol::kResponseLengthExtra
                                  ? announced - protocol::kResponseLengthExtra
                                  : 0u;
    if (protocol::kResponseDataPos + count > length) return view;
    view.complete = true;
    view.status = frame[protocol::kStatusPos];
    view.address = static_cast<std::uint16_t>(frame[protocol::kAddressPos] |
                                              (frame[protocol::kAddressPos + 1] << 8));
    view.data = frame + protocol::kResponseDataPos;
    view.data_count = count;
    return view;
}

}  // namespace drovik
