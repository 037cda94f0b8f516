#pragma once

// A TCP connection with bounded waits, for the network lines. One implementation
// per system: BSD sockets (stream_socket_posix.cpp) and Winsock
// (stream_socket_win32.cpp); the system's error codes are translated there and
// nowhere else.

#include <cstddef>
#include <cstdint>
#include <string>

#include "line.h"

namespace selmek {

class StreamSocket {
public:
    StreamSocket() = default;
    ~StreamSocket();
    StreamSocket(const StreamSocket &) = delete;
    StreamSocket &operator=(const StreamSocket &) = delete;

    // Resolves `host` (only as a numeric address when `numeric`), then connects
    // to its addresses in turn until one accepts, all by `deadline`; Nagle's
    // delay is switched off. Returns 0, or:
    //   SELMEK_ERR_UNKNOWN_HOST  the name does not resolve (or not by the deadline);
    //   SELMEK_ERR_BAD_ADDRESS   `numeric` and the system takes it for no address;
    //   the system's code        connection refused, no route, ..., and the one
    //                            for a timeout when no address answered in time.
    // A socket that was open is closed first.
    int connect(const std::string &host, std::uint16_t port, bool numeric,
                Clock::time_point deadline);

    void close();
    bool is_open() const { return handle_ != kClosed; }

    // Sends all `count` bytes, waiting for room until `deadline`. SELMEK_OK,
    // SELMEK_ERR_WRITE_FAILED (no room in time), _DEVICE_GONE (the connection was
    // closed or reset), _IO.
    std::int32_t send_all(const std::uint8_t *data, std::size_t count, Clock::time_point deadline);

    // Waits until `deadline` for bytes and reads up to `room` of them; with
    // `read_first`, tries a read before the first wait. SELMEK_OK (count >= 1),
    // SELMEK_ERR_TIMEOUT, _DEVICE_GONE (the peer closed, or the connection was
    // reset), _IO.
    ReadResult receive_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                            bool read_first);

    // Why a network line did not open, past the connect: the server did not do
    // its part in time, closed the connection, refused the protocol, broke it.
    enum class OpenFailure { timed_out, closed, protocol_refused, protocol_broken, other };
    // The system's code for `failure` (ETIMEDOUT, ECONNRESET, EPROTONOSUPPORT,
    // EPROTO, EIO; the WSA codes on Windows, ERROR_INVALID_DATA for EPROTO).
    static int system_code(OpenFailure failure);

private:
    // A file descriptor, or a SOCKET on Windows.
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
};

}  // namespace selmek
