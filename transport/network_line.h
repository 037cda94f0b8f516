#pragma once

// A line to a reader behind a serial-port server on the network, named by an
// address (network_address.h): rfc2217:// speaks Telnet with the
// COM-PORT-OPTION (com_port_client.h) and has the server set its line; tcp://
// is a raw byte stream to a line whose rate the server fixes. The contract of
// each member is Line's (line.h); what is particular to the network follows.
// Both systems: the socket below is stream_socket.h.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "com_port_client.h"
#include "line.h"
#include "stream_socket.h"

namespace selmek {

class NetworkLine final : public Line {
public:
    // `connect_wait` bounds connecting and each confirmation of a rate;
    // `network_allowance` is added to every wait for an answer. An address's
    // own options win over both.
    NetworkLine(std::chrono::milliseconds connect_wait,
                std::chrono::milliseconds network_allowance);
    ~NetworkLine() override;

    // Resolves and connects within the connect bound; for rfc2217:// then agrees
    // the Telnet options and has the server set the line to `rate`, 8N1, no
    // flow control, DTR and RTS raised, and purge both its buffers; the rate and
    // the 8N1 settings must be confirmed. Returns 0, or:
    //   SELMEK_ERR_BAD_ADDRESS   `device` is malformed (network_address.h);
    //   SELMEK_ERR_UNKNOWN_HOST  its host name does not resolve;
    //   SELMEK_ERR_RATE_FIXED    tcp:// with baud= other than `rate`;
    //   EINVAL                   a rate not positive, or one the server refused;
    //   ETIMEDOUT                no connection, or no answer to the negotiation,
    //                            within the connect bound;
    //   ECONNREFUSED, ENETUNREACH, ... as the system says;
    //   ECONNRESET               the server closed the connection while opening;
    //   EPROTONOSUPPORT          the server refused the COM-PORT-OPTION;
    //   EPROTO                   the server sent a malformed sub-negotiation of it.
    // (On Windows the WSA codes, and ERROR_INVALID_DATA for EPROTO.) Blocks up
    // to the connect bound.
    int open(const std::string &device, std::int32_t rate) override;

    void close() override;
    bool is_open() const override { return socket_.is_open(); }
    // The rate asked for at the open or by the last confirmed change.
    std::int32_t rate() const override { return rate_; }

    // rfc2217://: asks the server and waits for its answer, up to the connect
    // bound; the rate changes only once the server has confirmed it, and
    // SELMEK_ERR_BAD_BAUD when it refused or did not answer in time (after
    // which even the present rate is asked for again). tcp://:
    // SELMEK_ERR_RATE_FIXED for any rate but the present one.
    std::int32_t set_rate(std::int32_t rate) override;

    // Drops what was decoded but not read, and whatever the socket holds now.
    std::int32_t discard_input() override;
    std::int32_t write_all(const std::uint8_t *data, std::size_t count,
                           Clock::time_point deadline) override;
    // The server closing the connection, or a reset, is SELMEK_ERR_DEVICE_GONE.
    ReadResult read_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                         bool bytes_likely) override;

    std::chrono::milliseconds network_allowance() const override { return allowance_; }

private:
    // One read from the socket, its Telnet decoded (answers sent) and its data
    // kept in `pending_`. SELMEK_OK even when only commands came.
    std::int32_t receive(Clock::time_point deadline, bool read_first);
    // Receives until `settled()` or the deadline: SELMEK_OK once settled,
    // SELMEK_ERR_TIMEOUT, or the socket's failure.
    template <typename Settled>
    std::int32_t receive_until(Settled settled, Clock::time_point deadline);
    int negotiate(std::int32_t rate, Clock::time_point deadline);
    std::int32_t send(const std::vector<std::uint8_t> &bytes, Clock::time_point deadline);

    std::chrono::milliseconds configured_connect_wait_;
    std::chrono::milliseconds configured_allowance_;
    std::chrono::milliseconds connect_wait_{};
    std::chrono::milliseconds allowance_{};

    StreamSocket socket_;
    std::unique_ptr<ComPortClient> telnet_;  // null for tcp://
    std::vector<std::uint8_t> pending_;      // data received, not yet read
    std::vector<std::uint8_t> outgoing_;     // reused for escaped writes and answers
    std::int32_t rate_ = 0;
    // Whether the server's line is known to run at `rate_`: not after a change
    // it refused or left unanswered, so the next change is asked for whatever
    // its rate.
    bool rate_known_ = false;
};

}  // namespace selmek
