#include "sim/wire_frame.h"

namespace sim {

namespace {

// Undoes the stuffing from position 2 on; nullopt when an 0xAA is not followed by
// 0x00 (on a real line that is the start of another frame, not this one's data).
std::optional<Bytes> unescape(ByteView wire) {
    Bytes out;
    out.reserve(wire.size());
    for (std::size_t i = 0; i < wire.size(); ++i) {
        out.push_back(wire[i]);
        if (i >= protocol::kLengthPos && wire[i] == protocol::kEscapedByte) {
            if (i + 1 >= wire.size() || wire[i + 1] != protocol::kStuffedByte) return std::nullopt;
            ++i;
        }
    }
    return out;
}

}  // namespace

std::optional<Request> decode_request(ByteView wire) {
    const auto frame = unescape(wire);
    if (!frame || frame->size() < 8) return std::nullopt;
    const Bytes &f = *frame;
    if (f[0] != protocol::kHeader0 || f[1] != protocol::kHeader1) return std::nullopt;
    const std::uint8_t length = f[protocol::kLengthPos];
    if (static_cast<std::uint8_t>(length ^ f[protocol::kComplementPos]) != 0xFF ||
        length < protocol::kRequestLengthExtra) {
        return std::nullopt;
    }
    if (f.size() != static_cast<std::size_t>(length) + 4) return std::nullopt;

    Request request;
    request.address =
        static_cast<std::uint16_t>(f[protocol::kAddressPos] | (f[protocol::kAddressPos + 1] << 8));
    request.code = f[protocol::kCommandPos];
    request.data.assign(f.begin() + protocol::kRequestDataPos, f.end() - 1);
    std::uint8_t check = 0;
    for (std::size_t i = protocol::kComplementPos; i + 1 < f.size(); ++i) check ^= f[i];
    request.check_ok = check == f.back();
    return request;
}

Bytes escape_frame(ByteView unescaped) {
    Bytes out;
    out.reserve(unescaped.size() + 8);
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        out.push_back(unescaped[i]);
        if (i >= protocol::kLengthPos && unescaped[i] == protocol::kEscapedByte) {
            out.push_back(protocol::kStuffedByte);
        }
    }
    return out;
}

Bytes encode_response(std::uint16_t address, std::uint8_t code, std::uint8_t status,
                      ByteView data) {
    const auto length = static_cast<std::uint8_t>(data.size() + protocol::kResponseLengthExtra);
    Bytes frame = {protocol::kHeader0,
                   protocol::kHeader1,
                   length,
                   static_cast<std::uint8_t>(~length),
                   static_cast<std::uint8_t>(address & 0xFF),
                   static_cast<std::uint8_t>(address >> 8),
                   code,
                   status};
    append(frame, data);
    std::uint8_t check = 0;
    for (std::size_t i = protocol::kComplementPos; i < frame.size(); ++i) check ^= frame[i];
    frame.push_back(check);
    return escape_frame(frame);
}

}  // namespace sim
