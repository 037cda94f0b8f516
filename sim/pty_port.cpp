#include "pty_port.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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
    hang_up();
}

void PtyPort::hang_up() {
    for (int *fd : {&close_watch_, &slave_, &master_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
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

namespace {

// How many open descriptors, in every process this one may look into, refer to
// the terminal device `device` (this program's own slave descriptor included).
int descriptors_on(dev_t device) {
    int count = 0;
    DIR *processes = opendir("/proc");
    if (processes == nullptr) return -1;
    while (const dirent *process = readdir(processes)) {
        if (process->d_name[0] < '0' || process->d_name[0] > '9') continue;
        const std::string fd_dir = std::string("/proc/") + process->d_name + "/fd";
        DIR *fds = opendir(fd_dir.c_str());
        if (fds == nullptr) continue;
        while (const dirent *fd = readdir(fds)) {
            if (fd->d_name[0] == '.') continue;
            struct stat info {};
            if (stat((fd_dir + "/" + fd->d_name).c_str(), &info) == 0 && S_ISCHR(info.st_mode) &&
                info.st_rdev == device) {
                ++count;
            }
        }
        closedir(fds);
    }
    closedir(processes);
    return count;
}

}  // namespace

void PtyPort::release_exclusive_if_unused() const {
    struct stat own {};
    if (fstat(slave_, &own) != 0) return;
    // Only this program's own descriptor is left: nobody holds the device, so an
    // exclusive mode left behind (by a client that ended without undoing it) goes.
    if (descriptors_on(own.st_rdev) == 1) ioctl(slave_, TIOCNXCL);
}

}  // namespace sim
