#include "command_frame.h"

#include <cstring>

namespace drovik {

static_assert(protocol::kMaxWireFrame <= protocol::kResponseCapacity);

CommandFrame::CommandFrame(std::uint16_t address, std::uint8_t code,
                           std::span<const std::uint8_t> data) {
    request_length_ = static_cast<std::int32_t>(
        build_request(request_, address, code, data.data(), static_cast<int>(data.size())));
}

void CommandFrame::reset_response() {
    std::memset(response_, 0, sizeof response_);
    response_length_ = 0;
}

void CommandFrame::unescape_response() {
    if (response_length_ > protocol::kResponseCapacity) {
        reset_response();
        return;
    }
    response_length_ =
        static_cast<std::uint32_t>(drovik::unescape_response(response_, response_length_));
}

}  // namespace drovik
