// Feeds arbitrary bytes, as a serial-port server might send them, to the
// network line's Telnet decoder and to the RFC 2217 client over it. The first
// byte picks where the input is cut into the reads a socket would give. Whatever
// the bytes: decoding in pieces gives exactly what decoding whole gives; no
// sub-negotiation exceeds its cap; data never grows; and every answer the client
// sends is a refusal or an agreement of three bytes, IAC verb option.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "com_port_client.h"
#include "telnet_codec.h"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

using namespace selmek::telnet;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t piece = 1 + data[0] % 17;
    const std::uint8_t *input = data + 1;
    const std::size_t count = size - 1;

    Decoder whole;
    std::vector<std::uint8_t> whole_data;
    std::vector<Event> whole_events;
    whole.decode(input, count, whole_data, whole_events);

    Decoder pieces;
    std::vector<std::uint8_t> piece_data;
    std::vector<Event> piece_events;
    selmek::ComPortClient client;
    client.request_line_settings(115200);
    std::vector<std::uint8_t> client_data;
    std::vector<std::uint8_t> reply;
    for (std::size_t at = 0; at < count; at += piece) {
        const std::size_t length = count - at < piece ? count - at : piece;
        pieces.decode(input + at, length, piece_data, piece_events);
        client.receive(input + at, length, client_data, reply);
    }

    require(piece_data == whole_data);
    require(piece_events == whole_events);
    require(client_data == whole_data);
    require(whole_data.size() <= count);
    for (const Event &event : whole_events) require(event.payload.size() <= kMaxSubnegotiation);

    require(reply.size() % 3 == 0);
    for (std::size_t i = 0; i < reply.size(); i += 3) {
        require(reply[i] == kIac);
        require(reply[i + 1] >= kWill && reply[i + 1] <= kDont);
    }
    return 0;
}
