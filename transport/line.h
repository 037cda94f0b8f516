#pragma once

// A line to the reader, whatever carries it: the frame reader, the waits and the
// exchange work on this and on nothing below it. Each kind of line translates its
// own system's errors, into a SELMEK_ code or (for an open) the system's code as it
// is; nothing above it sees errno or GetLastError(). The kinds: the serial line of
// the system (serial_line.h) and the network lines, RFC 2217 and raw TCP
// (network_line.h). make_line() chooses the kind for a device name.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "transport/port_session.h"

namespace selmek {

using Clock = std::chrono::steady_clock;

struct ReadResult {
    std::int32_t result;  // SELMEK_OK, SELMEK_ERR_TIMEOUT, _DEVICE_GONE or _IO
    std::size_t count;    // bytes read, at least 1 on SELMEK_OK
};

class Line {
public:
    virtual ~Line() = default;
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    // Opens `device` for this process alone, raw, at `rate` bits per second, and
    // discards whatever was pending either way. Returns 0, or the system's code
    // that says why not (platform::kErrorInvalidArgument for a rate that is not
    // positive or that the device refuses). A line that was open is closed first.
    // Does not block.
    virtual int open(const std::string &device, std::int32_t rate) = 0;

    // Gives the device back, dropping unsent output. Safe when closed.
    virtual void close() = 0;

    virtual bool is_open() const = 0;
    // The rate the line runs at; 0 when closed.
    virtual std::int32_t rate() const = 0;

    // Changes the rate at once. SELMEK_OK, SELMEK_ERR_NOT_OPEN, SELMEK_ERR_BAD_BAUD
    // (not positive or refused by the device; the rate stays as it was),
    // SELMEK_ERR_DEVICE_GONE, SELMEK_ERR_IO.
    virtual std::int32_t set_rate(std::int32_t rate) = 0;

    // The calls below are made on an open line only.

    // Drops received bytes nobody has read. SELMEK_OK, _DEVICE_GONE or _IO.
    virtual std::int32_t discard_input() = 0;

    // Writes all `count` bytes, waiting for room until `deadline`. SELMEK_OK,
    // SELMEK_ERR_WRITE_FAILED (refused, or no room in time), _DEVICE_GONE, _IO.
    virtual std::int32_t write_all(const std::uint8_t *data, std::size_t count,
                                   Clock::time_point deadline) = 0;

    // Waits until `deadline` for bytes and reads up to `room` (at least 1) of them;
    // SELMEK_ERR_TIMEOUT when none came. `bytes_likely` says whether to try a read
    // before the first wait: it saves a wait while a frame is arriving, and a read
    // right after a request.
    virtual ReadResult read_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                                 bool bytes_likely) = 0;

    // What every wait for an answer adds for the way to the reader and back
    // beyond the line itself: nothing on a serial line.
    virtual std::chrono::milliseconds network_allowance() const { return {}; }

protected:
    Line() = default;
};

// A closed line of the kind `device` names, to be opened by that name: a network
// line for "scheme://..." (a malformed address too, which its open refuses),
// taking its connect bound and network allowance from `waits`; else a serial
// device of the system. Throws std::bad_alloc.
std::unique_ptr<Line> make_line(const std::string &device, const WaitSettings &waits);

}  // namespace selmek
