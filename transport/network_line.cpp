#include "network_line.h"

#include <algorithm>
#include <array>

#include "network_address.h"
#include "platform/last_error.h"
#include "selmek_results.h"

namespace selmek {

namespace {

// How much one discard takes off the socket at most: a server that floods the
// line cannot hold the caller in it.
constexpr int kLongestDiscard = 64;
constexpr std::size_t kChunk = 1024;

using OpenFailure = StreamSocket::OpenFailure;

int failed_open(std::int32_t result) {
    switch (result) {
        case SELMEK_ERR_TIMEOUT:
        case SELMEK_ERR_WRITE_FAILED:
            return StreamSocket::system_code(OpenFailure::timed_out);
        case SELMEK_ERR_DEVICE_GONE:
            return StreamSocket::system_code(OpenFailure::closed);
        default:
            return StreamSocket::system_code(OpenFailure::other);
    }
}

}  // namespace

NetworkLine::NetworkLine(std::chrono::milliseconds connect_wait,
                         std::chrono::milliseconds network_allowance)
    : configured_connect_wait_(connect_wait), configured_allowance_(network_allowance) {}

NetworkLine::~NetworkLine() { close(); }

void NetworkLine::close() {
    socket_.close();
    telnet_.reset();
    pending_.clear();
    rate_ = 0;
    rate_known_ = false;
}

std::int32_t NetworkLine::send(const std::vector<std::uint8_t> &bytes, Clock::time_point deadline) {
    if (bytes.empty()) return SELMEK_OK;
    return socket_.send_all(bytes.data(), bytes.size(), deadline);
}

std::int32_t NetworkLine::receive(Clock::time_point deadline, bool read_first) {
    std::array<std::uint8_t, kChunk> chunk{};
    const ReadResult got = socket_.receive_some(chunk.data(), chunk.size(), deadline, read_first);
    if (got.result != SELMEK_OK) return got.result;
    if (!telnet_) {
        pending_.insert(pending_.end(), chunk.begin(), chunk.begin() + got.count);
        return SELMEK_OK;
    }
    outgoing_.clear();
    telnet_->receive(chunk.data(), got.count, pending_, outgoing_);
    // Answers are a few bytes: they go out within the connect bound whatever the
    // caller's own deadline, so that a negotiation is never left half answered.
    return send(outgoing_, std::max(deadline, Clock::now() + connect_wait_));
}

template <typename Settled>
std::int32_t NetworkLine::receive_until(Settled settled, Clock::time_point deadline) {
    while (!settled()) {
        const std::int32_t result = receive(deadline, false);
        if (result != SELMEK_OK) return result;
    }
    return SELMEK_OK;
}

int NetworkLine::negotiate(std::int32_t rate, Clock::time_point deadline) {
    telnet_ = std::make_unique<ComPortClient>();
    using Answer = ComPortClient::Answer;
    if (const std::int32_t sent = send(telnet_->start(), deadline); sent != SELMEK_OK) {
        return failed_open(sent);
    }
    std::int32_t result = receive_until(
        [&] { return telnet_->broke_protocol() || telnet_->com_port() != Answer::pending; },
        deadline);
    if (result != SELMEK_OK) return failed_open(result);
    if (telnet_->broke_protocol()) return StreamSocket::system_code(OpenFailure::protocol_broken);
    if (telnet_->com_port() == Answer::refused) {
        return StreamSocket::system_code(OpenFailure::protocol_refused);
    }

    if (const std::int32_t sent = send(telnet_->request_line_settings(rate), deadline);
        sent != SELMEK_OK) {
        return failed_open(sent);
    }
    result = receive_until(
        [&] { return telnet_->broke_protocol() || telnet_->line_settings() != Answer::pending; },
        deadline);
    if (result != SELMEK_OK) return failed_open(result);
    if (telnet_->broke_protocol()) return StreamSocket::system_code(OpenFailure::protocol_broken);
    if (telnet_->line_settings() == Answer::refused) return platform::kErrorInvalidArgument;
    return 0;
}

int NetworkLine::open(const std::string &device, std::int32_t rate) {
    close();
    const std::optional<NetworkAddress> address = parse_network_address(device);
    if (!address) return SELMEK_ERR_BAD_ADDRESS;
    if (rate <= 0) return platform::kErrorInvalidArgument;
    if (address->fixed_rate && *address->fixed_rate != rate) return SELMEK_ERR_RATE_FIXED;
    connect_wait_ = address->connect_wait.value_or(configured_connect_wait_);
    allowance_ = address->network_allowance.value_or(configured_allowance_);

    const Clock::time_point deadline = Clock::now() + connect_wait_;
    // Only an IPv6 address, which came in brackets, holds a colon.
    const bool numeric = address->host.find(':') != std::string::npos;
    int why = socket_.connect(address->host, address->port, numeric, deadline);
    if (why == 0 && address->scheme == NetworkScheme::rfc2217) why = negotiate(rate, deadline);
    if (why != 0) {
        close();
        return why;
    }
    // Whatever came before the server purged its buffers (a banner, stale
    // answers) is no answer to anything asked from now on.
    pending_.clear();
    rate_ = rate;
    rate_known_ = true;
    return 0;
}

std::int32_t NetworkLine::set_rate(std::int32_t rate) {
    if (!is_open()) return SELMEK_ERR_NOT_OPEN;
    if (rate <= 0) return SELMEK_ERR_BAD_BAUD;
    if (!telnet_) return rate == rate_ ? SELMEK_OK : SELMEK_ERR_RATE_FIXED;
    if (rate == rate_ && rate_known_) return SELMEK_OK;

    const Clock::time_point deadline = Clock::now() + connect_wait_;
    if (const std::int32_t sent = send(telnet_->request_rate(rate), deadline); sent != SELMEK_OK) {
        // Part of the request may have gone out.
        rate_known_ = false;
        return sent == SELMEK_ERR_WRITE_FAILED ? SELMEK_ERR_BAD_BAUD : sent;
    }
    using Answer = ComPortClient::Answer;
    const std::int32_t result =
        receive_until([&] { return telnet_->rate() != Answer::pending; }, deadline);
    if (result == SELMEK_OK && telnet_->rate() == Answer::confirmed) {
        rate_ = rate;
        rate_known_ = true;
        return SELMEK_OK;
    }
    rate_known_ = false;
    // Refused, or no answer in time: the line keeps the rate the server last
    // confirmed, and asks again at the next change, whatever the rate.
    if (result == SELMEK_OK || result == SELMEK_ERR_TIMEOUT) return SELMEK_ERR_BAD_BAUD;
    return result;
}

std::int32_t NetworkLine::discard_input() {
    pending_.clear();
    for (int i = 0; i < kLongestDiscard; ++i) {
        const std::int32_t result = receive(Clock::now(), true);
        if (result == SELMEK_ERR_TIMEOUT) break;
        if (result != SELMEK_OK) return result;
    }
    pending_.clear();
    return SELMEK_OK;
}

std::int32_t NetworkLine::write_all(const std::uint8_t *data, std::size_t count,
                                    Clock::time_point deadline) {
    if (!telnet_) return socket_.send_all(data, count, deadline);
    outgoing_.clear();
    telnet::escape_data(data, count, outgoing_);
    return send(outgoing_, deadline);
}

ReadResult NetworkLine::read_some(std::uint8_t *buffer, std::size_t room,
                                  Clock::time_point deadline, bool bytes_likely) {
    bool read_first = bytes_likely;
    while (pending_.empty()) {
        const std::int32_t result = receive(deadline, read_first);
        if (result != SELMEK_OK) return {result, 0};
        // Only Telnet commands came: wait for more.
        read_first = false;
    }
    const std::size_t count = std::min(room, pending_.size());
    std::copy_n(pending_.begin(), count, buffer);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return {SELMEK_OK, count};
}

}  // namespace selmek
