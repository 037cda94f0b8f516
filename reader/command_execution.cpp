#include "command_execution.h"

#include <cstring>

#include "library_state.h"
#include "selmek_results.h"
#include "transport_binding.h"

namespace drovik {

RequestData &RequestData::byte(std::int32_t value) {
    if (size_ < data_.size()) {
        data_[size_++] = static_cast<std::uint8_t>(value & 0xFF);
    } else {
        overflow_ = true;
    }
    return *this;
}

RequestData &RequestData::bytes(const std::uint8_t *data, std::size_t count) {
    if (data == nullptr) {
        null_seen_ = true;
        return *this;
    }
    for (std::size_t i = 0; i < count; ++i) byte(data[i]);
    return *this;
}

RequestData &RequestData::le32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) byte(static_cast<std::int32_t>(value >> shift));
    return *this;
}

bool Reply::outputs_present() const {
    switch (rule) {
        case Rule::Ignored:
        case Rule::Forbidden:
            return true;
        case Rule::Fixed:
            return out != nullptr;
        case Rule::FixedCountFirst:
        case Rule::Variable:
            return out != nullptr && count != nullptr;
        case Rule::Address:
            return address != nullptr;
    }
    return false;
}

bool transport_ready() {
    const TransportBinding *binding = current_transport();
    return binding != nullptr && binding->bound();
}

std::int32_t exchange(CommandFrame &frame) {
    if (!transport_ready()) return DROVIK_ERR_NO_TRANSPORT;
    return current_transport()->entry().CommunicateRFResult(frame.request(), frame.request_length(),
                                                            frame.response_buffer(),
                                                            frame.response_length_slot());
}

std::int32_t finish_command(const CommandFrame &frame, std::int32_t result) {
    set_last_status(frame.status_byte());
    return result;
}

std::int32_t apply_reply(const ResponseView &response, const Reply &reply) {
    const std::size_t count = response.data_count;
    switch (reply.rule) {
        case Reply::Rule::Ignored:
            return 0;
        case Reply::Rule::Forbidden:
            return count == 0 ? 0 : 1;
        case Reply::Rule::FixedCountFirst:
            *reply.count = static_cast<std::uint8_t>(count);
            [[fallthrough]];
        case Reply::Rule::Fixed:
            if (count != reply.expected) return 1;
            std::memcpy(reply.out, response.data, count);
            return 0;
        case Reply::Rule::Variable:
            *reply.count = static_cast<std::uint8_t>(count);
            if (count > 0) std::memcpy(reply.out, response.data, count);
            return 0;
        case Reply::Rule::Address:
            *reply.address = response.address;
            return 0;
    }
    return 1;
}

std::int32_t response_result(const ResponseView &response) {
    return response.complete ? response.status : 1;
}

std::int32_t run_command(std::int32_t address, protocol::Command command,
                         const RequestData &request, const Reply &reply) {
    if (!request.valid() || !reply.outputs_present()) return 1;
    if (!transport_ready()) return DROVIK_ERR_NO_TRANSPORT;

    CommandFrame frame(static_cast<std::uint16_t>(address), protocol::code_of(command),
                       request.view());
    if (const std::int32_t result = exchange(frame); result != 0) {
        return finish_command(frame, result);
    }
    frame.unescape_response();
    const ResponseView response = frame.response();
    if (const std::int32_t result = response_result(response); result != 0) {
        return finish_command(frame, result);
    }
    return finish_command(frame, apply_reply(response, reply));
}

}  // namespace drovik
