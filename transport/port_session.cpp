#include "transport/port_session.h"

#include <mutex>
#include <new>
#include <utility>

#include "answer_wait.h"
#include "exchange.h"
#include "line.h"
#include "platform/last_error.h"
#include "selmek_results.h"

namespace selmek {

struct PortSession::State {
    std::mutex mutex;
    std::unique_ptr<Line> line;  // null while closed
    AnswerWait wait;
};

PortSession::PortSession() : state_(std::make_unique<State>()) {}

PortSession::~PortSession() { close(); }

int PortSession::open(const std::string &device, std::int32_t rate, const WaitSettings &waits) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->line.reset();
    // A network line takes memory as it goes; nothing may cross the C interface
    // as an exception.
    std::unique_ptr<Line> line;
    try {
        line = make_line(device, waits);
        if (const int why = line->open(device, rate); why != 0) return why;
    } catch (const std::bad_alloc &) {
        return platform::kErrorNoMemory;
    }
    // A network line's allowance goes on every wait for the reader, probes too.
    const std::chrono::milliseconds network = line->network_allowance();
    state_->line = std::move(line);
    state_->wait.opened(waits.first_byte_wait + network, waits.turnaround_allowance + network);
    return 0;
}

void PortSession::close() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->line.reset();
}

bool PortSession::is_open() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->line != nullptr;
}

std::int32_t PortSession::set_rate(std::int32_t rate) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->line == nullptr) return SELMEK_ERR_NOT_OPEN;
    std::int32_t result = SELMEK_ERR_IO;
    try {
        result = state_->line->set_rate(rate);
    } catch (const std::bad_alloc &) {
        return SELMEK_ERR_IO;
    }
    if (result == SELMEK_OK) state_->wait.rate_changed();
    return result;
}

std::int32_t PortSession::exchange(const std::uint8_t *request, std::size_t request_length,
                                   std::uint8_t *response, std::uint32_t *response_length) {
    const std::int32_t accepted =
        accept_exchange_arguments(request, request_length, response, response_length);
    if (accepted != SELMEK_OK) return accepted;
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->line == nullptr) return SELMEK_ERR_NOT_OPEN;
    std::int32_t result = SELMEK_ERR_IO;
    try {
        result = exchange_frame(*state_->line, state_->wait.next(), request, request_length,
                                response, response_length);
    } catch (const std::bad_alloc &) {
        *response_length = 0;
    }
    state_->wait.exchanged(result);
    return result;
}

}  // namespace selmek
