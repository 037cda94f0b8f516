#pragma once

// The serial line of the system: one serial device opened for this process alone
// as a raw 8N1 line, and bounded waits on it. One implementation per system:
// termios (serial_line_posix.cpp) and the Win32 communications functions
// (serial_line_win32.cpp). The contract of each member is Line's (line.h); what
// is particular to the system follows here.

#include <cstdint>
#include <string>

#include "line.h"

namespace selmek {

class SerialLine final : public Line {
public:
    SerialLine() = default;
    ~SerialLine() override;

    // Opens `path` as a raw 8N1 line without flow control, ignoring modem control
    // lines.
    //   POSIX: without making it the controlling terminal, with an exclusive
    //   flock and then TIOCEXCL against other openers (EBUSY when another holds
    //   the device, in this process or another).
    //   Windows: `path` is a device such as \\.\COM3, opened without sharing
    //   (ERROR_ACCESS_DENIED when another holds it).
    int open(const std::string &path, std::int32_t rate) override;

    // Exclusivity and lock released.
    void close() override;

    bool is_open() const override { return handle_ != kClosed; }
    std::int32_t rate() const override { return rate_; }

    std::int32_t set_rate(std::int32_t rate) override;
    std::int32_t discard_input() override;
    std::int32_t write_all(const std::uint8_t *data, std::size_t count,
                           Clock::time_point deadline) override;
    ReadResult read_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                         bool bytes_likely) override;

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
