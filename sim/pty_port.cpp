#include "sim/pty_port.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "sim/line_speed.h"

namespace sim {

std::optional<PtyPort> PtyPort::open(unsigned rate, std::string &error) {
    PtyPort port;
    port.master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port.master_ < 0 || grantpt(port.master_) != 0 || unlockpt(port.master_) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return std::nullopt;
    }
    char name[128];
    if (ptsname_r(port.master_, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return std::nullopt;
    }
    port.slave_path_ = name;
    port.slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port.slave_ < 0 || !set_raw_line(port.slave_, rate)) {
        error = "cannot set up " + port.slave_path_ + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const int flags = fcntl(port.master_, F_GETFL);
    fcntl(port.master_, F_SETFL, flags | O_NONBLOCK);

    port.close_watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (port.close_watch_ >= 0 &&
        inotify_add_watch(port.close_watch_, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(port.close_watch_);
        port.close_watch_ = -1;
    }
    return port;
}

PtyPort::PtyPort(PtyPort &&other) noexcept
    : master_(std::exchange(other.master_, -1)),
      slave_(std::exchange(other.slave_, -1)),
      close_watch_(std::exchange(other.close_watch_, -1)),
      slave_path_(std::move(other.slave_path_)) {}

PtyPort::~PtyPort() {
    if (close_watch_ >= 0) ::close(close_watch_);
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool PtyPort::client_closed() {
    if (close_watch_ < 0) return false;
    bool closed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(close_watch_, buffer, sizeof buffer);
        if (got <= 0) break;
        closed = true;
    }
    return closed;
}

std::optional<unsigned> PtyPort::line_speed() const {
    return read_line_speed(slave_);
}

void PtyPort::clear_exclusive() const {
    ioctl(slave_, TIOCNXCL);
}

}  // namespace sim
