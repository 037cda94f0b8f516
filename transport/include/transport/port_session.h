#pragma once

// One reader's port: a line opened by its device name, the waits for the reader's
// answers, and one exchange at a time on it. A process may hold several sessions,
// each on its own device, and use them from different threads; calls on one
// session from several threads are served one after the other, calls on
// different sessions do not wait for each other. Nothing here throws.
//
// The results are those of the C interface (selmek.h, selmek_results.h):
// libSelmek's entry points are one process-wide session.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace selmek {

// How long an exchange waits for the reader.
struct WaitSettings {
    // For the first byte of an answer.
    std::chrono::milliseconds first_byte_wait{500};
    // For a probe in place of the first-byte wait: until a reader has answered
    // since the open, the exchange right after the open or a change of rate. A
    // reader at the line's rate answers within milliseconds, so a search for its
    // rate costs little at each rate it is not at. A USB serial adapter may hold
    // an answer back for its latency timer (16 ms by default) on top of that.
    std::chrono::milliseconds turnaround_allowance{50};
    // Network lines only (rfc2217://, tcp://): added to both waits above for the
    // way to the server and back, and through its line buffers.
    std::chrono::milliseconds network_allowance{100};
    // Network lines only: the bound on connecting (resolving the name,
    // connecting, the server's agreement and its confirmation of the line's
    // settings), and on each later confirmation of a rate.
    std::chrono::milliseconds connect_wait{3000};
};

class PortSession {
public:
    PortSession();
    // Closes the line. No call on the session may be in progress.
    ~PortSession();
    PortSession(const PortSession &) = delete;
    PortSession &operator=(const PortSession &) = delete;

    // Opens `device` (a path such as /dev/ttyUSB0, or \\.\COM3 on Windows; or a
    // network address, rfc2217://HOST:PORT or tcp://HOST:PORT) at `rate` bits
    // per second for this process alone, raw 8N1, with `waits` for the
    // exchanges until the next open; the line that was open is closed first, so
    // after a failure none is. A device another session or program holds is
    // busy. A serial device does not block; a network address blocks up to the
    // connect bound. Returns 0, or the system's code that says why not, as
    // OpenComPort leaves it (EINVAL for a rate that is not positive or that the
    // device refuses, ENOENT, EACCES, EBUSY, ENOTTY, ...; ENOMEM; for a network
    // address also SELMEK_ERR_BAD_ADDRESS, SELMEK_ERR_UNKNOWN_HOST,
    // SELMEK_ERR_RATE_FIXED, ETIMEDOUT, ECONNREFUSED, EPROTONOSUPPORT, EPROTO:
    // see OpenComPort).
    int open(const std::string &device, std::int32_t rate, const WaitSettings &waits = {});

    // Gives the device back, dropping unsent output. Safe when closed.
    void close();

    bool is_open() const;

    // As SetCommBaud: SELMEK_OK, SELMEK_ERR_NOT_OPEN, SELMEK_ERR_BAD_BAUD (the
    // line keeps its rate), SELMEK_ERR_RATE_FIXED (tcp://),
    // SELMEK_ERR_DEVICE_GONE, SELMEK_ERR_IO.
    std::int32_t set_rate(std::int32_t rate);

    // As CommunicateRFResult: `request` (1 to 1024 bytes, escaped) out, one
    // response frame back into `response` (room for 1024 bytes), its length into
    // `*response_length`; both are written only when the frame is whole, and
    // `*response_length` is 0 otherwise. Blocks within the bounds that
    // CommunicateRFResult names. SELMEK_OK, SELMEK_ERR_BAD_ARGUMENT (nothing
    // sent), _NOT_OPEN, _WRITE_FAILED, _TIMEOUT, _BAD_FRAME, _INCOMPLETE_FRAME,
    // _DEVICE_GONE, _IO (also when a network line ran out of memory).
    std::int32_t exchange(const std::uint8_t *request, std::size_t request_length,
                          std::uint8_t *response, std::uint32_t *response_length);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace selmek
