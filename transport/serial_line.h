#pragma once

// The operating-system side of the transport: one serial device opened for this
// process alone as a raw 8N1 line, and bounded waits on it. Every error of the
// system is translated here, into a SELMEK_ code or (for an open) returned as it
// is. One implementation per system: termios (serial_line_posix.cpp) and the
// Win32 communications functions (serial_line_win32.cpp).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace selmek {

using Clock = std::chrono::steady_clock;

struct ReadResult {
    std::int32_t result;  // SELMEK_OK, SELMEK_ERR_TIMEOUT, _DEVICE_GONE or _IO
    std::size_t count;    // bytes read, at least 1 on SELMEK_OK
};

class SerialLine {
public:
    SerialLine() = default;
    ~SerialLine();
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Opens `path` for this process alone as a raw 8N1 line without flow control,
    // ignoring modem control lines, at `rate` bits per second; then discards
    // whatever was pending either way. Returns 0, or the system's code that says
    // why not (platform::kErrorInvalidArgument for a rate the device refuses). A
    // line that was open is closed first.
    //   POSIX: without making it the controlling terminal, with an exclusive
    //   flock and then TIOCEXCL against other openers (EBUSY when another holds
    //   the device).
    //   Windows: `path` is a device such as \\.\COM3, opened without sharing
    //   (ERROR_ACCESS_DENIED when another holds it).
    int open(const std::string &path, std::int32_t rate);

    // Gives the device back (exclusivity and lock released, unsent output
    // dropped). Safe when closed.
    void close();

    bool is_open() const { return handle_ != kClosed; }
    std::int32_t rate() const { return rate_; }

    // SELMEK_OK, SELMEK_ERR_BAD_BAUD (the device refuses the rate, which stays as
    // it was), SELMEK_ERR_DEVICE_GONE, SELMEK_ERR_IO.
    std::int32_t set_rate(std::int32_t rate);

    // Drops received bytes nobody has read. SELMEK_OK, _DEVICE_GONE or _IO.
    std::int32_t discard_input();

    // Writes all `count` bytes, waiting for room until `deadline`. SELMEK_OK,
    // SELMEK_ERR_WRITE_FAILED (refused, or no room in time), _DEVICE_GONE.
    std::int32_t write_all(const std::uint8_t *data, std::size_t count, Clock::time_point deadline);

    // Waits until `deadline` for bytes and reads up to `room` (at least 1) of them.
    // `bytes_likely` says whether to try a read before the first wait: it saves a
    // poll while a frame is arriving and a read right after a request.
    ReadResult read_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                         bool bytes_likely);

private:
    // A file descriptor, or a HANDLE on Windows (where INVALID_HANDLE_VALUE is -1).
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
    std::int32_t rate_ = 0;
};

// Whether a line that runs at `actual` bits per second still talks to a peer at
// `wanted`: a UART within 3 % of the rate does.
inline bool close_enough(long long actual, std::int32_t wanted) {
    const long long difference = actual > wanted ? actual - wanted : wanted - actual;
    return difference * 100 <= static_cast<long long>(wanted) * 3;
}

#if !defined(_WIN32)
// The output rate in the line settings of terminal `fd`, in bits per second
// (rates without a B constant included), or 0 when they cannot be read.
std::int32_t line_rate(int fd);

// Sets the rate of terminal `fd`, in and out. Returns 0, or an errno value (EINVAL
// when the device did not take the rate or would run more than 3 % off it).
int set_line_rate(int fd, std::int32_t rate);
#endif

}  // namespace selmek
