#include "exchange.h"

#include <array>
#include <cstring>

#include "frame_reader.h"
#include "protocol/baud_rates.h"
#include "protocol/frame.h"
#include "selmek_results.h"

namespace selmek {

std::chrono::microseconds wire_time(std::size_t count, std::int32_t rate) {
    return std::chrono::ceil<std::chrono::microseconds>(protocol::wire_time(count, rate));
}

std::int32_t accept_exchange_arguments(const std::uint8_t *request, std::size_t request_length,
                                       const std::uint8_t *response,
                                       std::uint32_t *response_length) {
    if (response_length == nullptr) return SELMEK_ERR_BAD_ARGUMENT;
    *response_length = 0;
    if (request == nullptr || response == nullptr || request_length < 1 ||
        request_length > protocol::kResponseCapacity) {
        return SELMEK_ERR_BAD_ARGUMENT;
    }
    return SELMEK_OK;
}

namespace {

// One response frame whose first byte must come by `first_byte_deadline`, and
// then the whole of it within the wire time of the longest frame plus `wait`.
std::int32_t read_frame(Line &line, std::chrono::milliseconds wait,
                        Clock::time_point first_byte_deadline, std::uint8_t *response,
                        std::uint32_t *response_length) {
    Clock::time_point frame_deadline{};

    // Decoded apart from the caller's buffer, which sees only a whole frame.
    std::array<std::uint8_t, protocol::kMaxWireFrame> frame{};
    FrameReader reader(frame.data(), frame.size());
    // Whatever is waiting is read in one go, even past the end of the frame: in
    // this protocol nothing of worth follows a frame before the next request,
    // which discards it anyway, and one read instead of several keeps an exchange
    // close to the cost of the bare round trip.
    std::array<std::uint8_t, protocol::kMaxWireFrame> chunk{};
    for (;;) {
        const bool started = reader.bytes_seen();
        const ReadResult got = line.read_some(
            chunk.data(), chunk.size(), started ? frame_deadline : first_byte_deadline, started);
        if (got.result == SELMEK_ERR_TIMEOUT) {
            if (!started) return SELMEK_ERR_TIMEOUT;
            return reader.progress() == FrameReader::Progress::in_frame
                       ? SELMEK_ERR_INCOMPLETE_FRAME
                       : SELMEK_ERR_BAD_FRAME;
        }
        if (got.result != SELMEK_OK) return got.result;
        if (!started) {
            frame_deadline = Clock::now() + wire_time(protocol::kMaxWireFrame, line.rate()) + wait;
        }

        for (std::size_t i = 0; i < got.count; ++i) {
            switch (reader.feed(chunk[i])) {
                case FrameReader::Progress::complete:
                    std::memcpy(response, reader.frame(), reader.size());
                    *response_length = static_cast<std::uint32_t>(reader.size());
                    return SELMEK_OK;
                case FrameReader::Progress::too_long:
                    return SELMEK_ERR_FRAME_TOO_LONG;
                case FrameReader::Progress::hunting:
                case FrameReader::Progress::in_frame:
                    break;
            }
        }
    }
}

}  // namespace

std::int32_t exchange_frame(Line &line, std::chrono::milliseconds wait, const std::uint8_t *request,
                            std::size_t request_length, std::uint8_t *response,
                            std::uint32_t *response_length) {
    if (!line.is_open()) return SELMEK_ERR_NOT_OPEN;
    const auto request_time = wire_time(request_length, line.rate());

    // Whatever came in since the last exchange (a late answer, noise) is no part
    // of the answer to this request.
    if (const std::int32_t result = line.discard_input(); result != SELMEK_OK) return result;
    const std::int32_t written =
        line.write_all(request, request_length, Clock::now() + request_time + wait);
    if (written != SELMEK_OK) return written;

    // The request may still be on its way out of the port when write() returns.
    return read_frame(line, wait, Clock::now() + request_time + wait, response, response_length);
}

}  // namespace selmek
