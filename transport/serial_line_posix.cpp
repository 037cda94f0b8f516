// The line settings go through termios2 (TCGETS2/TCSETS2), which carries any rate
// in bits per second: 14400 and 28800 have no B constant. <asm/termbits.h> and
// glibc's <termios.h> cannot share a file, so this one uses the ioctls alone.
#include "serial_line.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "selmek_results.h"

namespace selmek {

namespace {

struct RateCode {
    std::int32_t rate;
    unsigned int code;
};

// Rates with a B constant are set by it, so that programs reading the line with
// tcgetattr() and cfgetospeed() see them as usual; any other rate goes as BOTHER.
constexpr RateCode kRateCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

unsigned int rate_code(std::int32_t rate) {
    for (const RateCode &entry : kRateCodes) {
        if (entry.rate == rate) return entry.code;
    }
    return BOTHER;
}

void put_rate(termios2 &settings, std::int32_t rate) {
    // CIBAUD cleared: the input rate follows the output rate.
    settings.c_cflag &= ~(CBAUD | CIBAUD);
    settings.c_cflag |= rate_code(rate);
    settings.c_ispeed = static_cast<speed_t>(rate);
    settings.c_ospeed = static_cast<speed_t>(rate);
}

// Applies `wanted` and checks that the device runs at `rate`; puts `previous` back
// when it does not. Returns 0 or an errno value.
int apply_settings(int fd, const termios2 &previous, const termios2 &wanted, std::int32_t rate) {
    if (ioctl(fd, TCSETS2, &wanted) != 0) return errno;
    termios2 actual{};
    if (ioctl(fd, TCGETS2, &actual) != 0) return errno;
    if (!close_enough(actual.c_ospeed, rate)) {
        ioctl(fd, TCSETS2, &previous);
        return EINVAL;
    }
    return 0;
}

// Raw 8N1 at `rate`: no line editing, echo, signals or output processing, no
// software or hardware flow control, modem control lines ignored, receiver on.
int configure_raw(int fd, std::int32_t rate) {
    termios2 previous{};
    if (ioctl(fd, TCGETS2, &previous) != 0) return errno;
    termios2 wanted = previous;
    wanted.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                        IXANY | INPCK | IUCLC | IMAXBEL);
    wanted.c_oflag &= ~OPOST;
    wanted.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    wanted.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    wanted.c_cflag |= CS8 | CLOCAL | CREAD;
    wanted.c_cc[VMIN] = 1;
    wanted.c_cc[VTIME] = 0;
    put_rate(wanted, rate);
    return apply_settings(fd, previous, wanted, rate);
}

bool means_device_gone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

std::int32_t translate(int error, std::int32_t otherwise) {
    return means_device_gone(error) ? SELMEK_ERR_DEVICE_GONE : otherwise;
}

timespec time_left(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    const auto nanoseconds =
        left.count() > 0 ? std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() : 0;
    timespec result{};
    result.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    result.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    return result;
}

int fd_of(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

SerialLine::~SerialLine() {
    close();
}

int SerialLine::open(const std::string &path, std::int32_t rate) {
    close();
    if (rate <= 0) return EINVAL;
    // Non-blocking: an open must not wait for a carrier, and every wait below is
    // a bounded poll.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;

    // Another program may hold the device by exclusive mode (which does not stop
    // root) or by a lock; either way it is busy, and its exclusive mode stays.
    int why = 0;
    int held_exclusively = 0;
    if (ioctl(fd, TIOCGEXCL, &held_exclusively) != 0) {
        why = errno;
    } else if (held_exclusively != 0) {
        why = EBUSY;
    } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        why = errno == EWOULDBLOCK ? EBUSY : errno;
    } else if (ioctl(fd, TIOCEXCL) != 0) {
        why = errno;
    } else if ((why = configure_raw(fd, rate)) != 0 || ioctl(fd, TCFLSH, TCIOFLUSH) != 0) {
        if (why == 0) why = errno;
        ioctl(fd, TIOCNXCL);
    }
    if (why != 0) {
        ::close(fd);
        return why;
    }
    handle_ = fd;
    rate_ = rate;
    return 0;
}

void SerialLine::close() {
    if (!is_open()) return;
    // Exclusive mode belongs to the terminal, not to this descriptor: it would
    // outlive the close while anyone else holds the device open. Output still
    // queued would make the close wait for it (up to 30 s on a serial port).
    ioctl(fd_of(handle_), TIOCNXCL);
    ioctl(fd_of(handle_), TCFLSH, TCOFLUSH);
    ::close(fd_of(handle_));
    handle_ = kClosed;
    rate_ = 0;
}

std::int32_t SerialLine::set_rate(std::int32_t rate) {
    if (!is_open()) return SELMEK_ERR_NOT_OPEN;
    if (rate <= 0) return SELMEK_ERR_BAD_BAUD;
    const int why = set_line_rate(fd_of(handle_), rate);
    if (why == 0) {
        rate_ = rate;
        return SELMEK_OK;
    }
    if (why == EINVAL) return SELMEK_ERR_BAD_BAUD;
    return translate(why, SELMEK_ERR_IO);
}

std::int32_t SerialLine::discard_input() {
    if (ioctl(fd_of(handle_), TCFLSH, TCIFLUSH) == 0) return SELMEK_OK;
    return translate(errno, SELMEK_ERR_IO);
}

std::int32_t SerialLine::write_all(const std::uint8_t *data, std::size_t count,
                                   Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t written = ::write(fd_of(handle_), data + done, count - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN) return translate(errno, SELMEK_ERR_WRITE_FAILED);

        // The output queue is full: wait for room, but not past the deadline.
        pollfd wait{fd_of(handle_), POLLOUT, 0};
        const timespec left = time_left(deadline);
        const int ready = ppoll(&wait, 1, &left, nullptr);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return translate(errno, SELMEK_ERR_WRITE_FAILED);
        if (ready == 0) return SELMEK_ERR_WRITE_FAILED;
        if (wait.revents & POLLHUP) return SELMEK_ERR_DEVICE_GONE;
    }
    return SELMEK_OK;
}

ReadResult SerialLine::read_some(std::uint8_t *buffer, std::size_t room, Clock::time_point deadline,
                                 bool bytes_likely) {
    // Bytes that are likely there already are read at once; an empty line costs a
    // poll, and on a line that was just asked a question the poll comes first.
    bool read_now = bytes_likely;
    short events = 0;
    for (;;) {
        if (read_now) {
            const ssize_t got = ::read(fd_of(handle_), buffer, room);
            if (got > 0) return {SELMEK_OK, static_cast<std::size_t>(got)};
            // A terminal in non-blocking raw mode reads 0 only once it is hung up.
            if (got == 0) return {SELMEK_ERR_DEVICE_GONE, 0};
            if (errno == EINTR) continue;
            if (errno != EAGAIN) return {translate(errno, SELMEK_ERR_IO), 0};
            // Nothing to read although the poll said otherwise.
            if (events & POLLHUP) return {SELMEK_ERR_DEVICE_GONE, 0};
            if (events & (POLLERR | POLLNVAL)) return {SELMEK_ERR_IO, 0};
        }
        pollfd wait{fd_of(handle_), POLLIN, 0};
        const timespec left = time_left(deadline);
        const int ready = ppoll(&wait, 1, &left, nullptr);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return {translate(errno, SELMEK_ERR_IO), 0};
        if (ready == 0) return {SELMEK_ERR_TIMEOUT, 0};
        events = wait.revents;
        read_now = true;
    }
}

std::int32_t line_rate(int fd) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) return 0;
    return static_cast<std::int32_t>(settings.c_ospeed);
}

int set_line_rate(int fd, std::int32_t rate) {
    if (rate <= 0) return EINVAL;
    termios2 previous{};
    if (ioctl(fd, TCGETS2, &previous) != 0) return errno;
    termios2 wanted = previous;
    put_rate(wanted, rate);
    return apply_settings(fd, previous, wanted, rate);
}

}  // namespace selmek
