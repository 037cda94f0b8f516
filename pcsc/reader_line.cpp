#include "reader_line.h"

#include <cerrno>
#include <mutex>
#include <vector>

#include "protocol/baud_rates.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "reader/frame_codec.h"
#include "reader/linked_transport.h"
#include "selmek_results.h"

namespace pcsc {

namespace {

// The line the calling thread serves; null outside a ServingThread.
thread_local ReaderLine *t_serving = nullptr;

// The library is bound while any line exists.
std::mutex g_binding_mutex;
int g_lines = 0;

}  // namespace

// The transport entry points the linked library calls, forwarding to the line the
// calling thread serves.
struct LineEntryPoints {
    static int32_t SELMEK_CALL version() { return 1; }

    static int32_t SELMEK_CALL open_port(int32_t, int32_t baud) {
        if (t_serving == nullptr || t_serving->path_.empty()) {
            errno = ENODEV;
            return 0;
        }
        const int why = t_serving->session_.open(t_serving->path_, baud);
        if (why != 0) {
            errno = why;
            return 0;
        }
        t_serving->rate_ = baud;
        return 1;
    }

    static int32_t SELMEK_CALL close_port() {
        if (t_serving != nullptr) t_serving->session_.close();
        return 0;
    }

    static int32_t SELMEK_CALL open_parallel_port(int32_t) {
        errno = ENOTSUP;
        return 0;
    }

    static int32_t SELMEK_CALL close_parallel_port() { return SELMEK_ERR_NOT_SUPPORTED; }

    static int32_t SELMEK_CALL free_data() { return 0; }

    static int32_t SELMEK_CALL set_baud(int32_t baud) {
        if (t_serving == nullptr) return SELMEK_ERR_NOT_OPEN;
        const std::int32_t result = t_serving->session_.set_rate(baud);
        if (result == SELMEK_OK) t_serving->rate_ = baud;
        return result;
    }

    static int32_t SELMEK_CALL communicate(const uint8_t *request, int32_t request_length,
                                           uint8_t *response, uint32_t *response_length) {
        if (response_length != nullptr) *response_length = 0;
        if (t_serving == nullptr) return SELMEK_ERR_NOT_OPEN;
        if (request_length < 1) return SELMEK_ERR_BAD_ARGUMENT;
        return t_serving->exchange(request, static_cast<std::size_t>(request_length), response,
                                   response_length);
    }

    static drovik::LinkedTransport table() {
        drovik::LinkedTransport entry;
        entry.GetCOMDLLVersion = &version;
        entry.OpenComPort = &open_port;
        entry.CloseComPort = &close_port;
        entry.OpenLPTPort = &open_parallel_port;
        entry.CloseLPTPort = &close_parallel_port;
        entry.CommunicateRFResult = &communicate;
        entry.FreeComData = &free_data;
        entry.SetCommBaud = &set_baud;
        return entry;
    }
};

ReaderLine::ReaderLine() {
    std::lock_guard<std::mutex> lock(g_binding_mutex);
    if (g_lines++ == 0) drovik::bind_linked_transport(LineEntryPoints::table());
}

ReaderLine::~ReaderLine() {
    session_.close();
    std::lock_guard<std::mutex> lock(g_binding_mutex);
    if (--g_lines == 0) drovik::unbind_linked_transport();
}

ReaderLine::ServingThread::ServingThread(ReaderLine &line) : previous_(t_serving) {
    t_serving = &line;
}

ReaderLine::ServingThread::~ServingThread() { t_serving = previous_; }

std::int32_t ReaderLine::exchange(const std::uint8_t *request, std::size_t length,
                                  std::uint8_t *response, std::uint32_t *response_length) {
    const std::int32_t result = session_.exchange(request, length, response, response_length);
    if (result == SELMEK_OK) {
        health_.answered = true;
    } else {
        health_.fault = result;
    }
    return result;
}

ReaderLine::Health ReaderLine::take_health() {
    const Health health = health_;
    health_ = Health{};
    return health;
}

std::int32_t ReaderLine::probe(std::uint8_t baud_code) {
    std::uint8_t request[protocol::kMaxWireFrame];
    const std::size_t length = drovik::build_request(
        request, 0, protocol::code_of(protocol::Command::SetBaud), &baud_code, 1);
    std::vector<std::uint8_t> response(protocol::kResponseCapacity);
    std::uint32_t response_length = 0;
    const std::int32_t result = exchange(request, length, response.data(), &response_length);
    if (result != SELMEK_OK) return result;
    const std::size_t plain = drovik::unescape_response(response.data(), response_length);
    const drovik::ResponseView view = drovik::read_response(response.data(), plain);
    return view.complete ? view.status : 1;
}

ReaderLine::Opening ReaderLine::open(const std::string &path, std::optional<std::int32_t> rate) {
    session_.close();
    path_ = path;
    std::vector<std::int32_t> tries;
    if (found_rate_ != 0) tries.push_back(found_rate_);
    for (const protocol::BaudRate &entry : protocol::kBaudRates) {
        if (entry.rate != found_rate_) tries.push_back(entry.rate);
    }
    const std::int32_t first = rate ? *rate : tries.front();
    if (const int why = session_.open(path, first); why != 0) return {why, 0};
    rate_ = first;

    std::int32_t result = 1;
    if (rate) {
        // The reader may already run at the rate asked for.
        const std::uint8_t wanted = protocol::baud_code(*rate);
        result = probe(wanted);
        for (std::size_t i = 0; result != 0 && i < tries.size(); ++i) {
            if (session_.set_rate(tries[i]) != SELMEK_OK) continue;
            result = probe(wanted);
        }
        if (result == 0 && session_.set_rate(*rate) != SELMEK_OK) result = SELMEK_ERR_BAD_BAUD;
        if (result == 0) rate_ = *rate;
    } else {
        for (std::size_t i = 0; result != 0 && i < tries.size(); ++i) {
            if (i > 0 && session_.set_rate(tries[i]) != SELMEK_OK) continue;
            result = probe(protocol::baud_code(tries[i]));
            if (result == 0) rate_ = tries[i];
        }
    }
    if (result != 0) {
        session_.close();
        return {0, result};
    }
    found_rate_ = rate_;
    health_ = Health{};
    return {};
}

void ReaderLine::close() { session_.close(); }

}  // namespace pcsc
