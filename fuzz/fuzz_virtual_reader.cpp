// Feeds arbitrary bytes to the virtual reader. The first byte picks how:
//   0  the rest is one request frame as it would arrive on the wire;
//   1  the rest is a stream of serial bytes, cut into frames by the framer and
//      each frame answered in turn;
//   2  the rest is a script of commands (code, data count, data), each sent as a
//      well-formed frame, so that the cards' own logic runs deep: requests,
//      selections, authentications, value blocks, locks.
// Every response must itself be a readable frame.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "card_catalog.h"
#include "reader/frame_codec.h"
#include "request_framer.h"
#include "sim/wire_frame.h"
#include "virtual_reader.h"

namespace {

void check_response(const std::optional<sim::Bytes> &response) {
    if (!response) return;
    std::vector<std::uint8_t> frame = *response;
    frame.resize(drovik::unescape_response(frame.data(), frame.size()));
    if (!drovik::read_response(frame.data(), frame.size()).complete) std::abort();
}

std::vector<std::string_view> every_kind() {
    auto kinds = sim::card_kinds();
    kinds.push_back("mifare1k");  // a second card of a kind, for the anticollision
    return kinds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) return 0;
    sim::VirtualReader reader(sim::make_field(every_kind()));
    const sim::ByteView input(data + 1, size - 1);

    switch (data[0] % 3) {
        case 0:
            check_response(reader.handle(input));
            break;
        case 1: {
            sim::RequestFramer framer;
            std::vector<sim::Bytes> frames;
            framer.feed(input, frames);
            for (const auto &frame : frames) check_response(reader.handle(frame));
            break;
        }
        default: {
            std::uint8_t request[protocol::kMaxWireFrame];
            std::size_t at = 0;
            while (at + 2 <= input.size()) {
                const std::uint8_t code = input[at];
                const std::size_t count =
                    std::min<std::size_t>(input[at + 1], input.size() - at - 2);
                const std::size_t clipped = std::min<std::size_t>(count, protocol::kMaxRequestData);
                const std::size_t length = drovik::build_request(
                    request, 0, code, input.data() + at + 2, static_cast<int>(clipped));
                check_response(reader.handle(sim::ByteView(request, length)));
                at += 2 + count;
            }
            break;
        }
    }
    return 0;
}
