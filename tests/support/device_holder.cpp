#include "device_holder.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace test_support {

DeviceHolder::DeviceHolder(const std::string &device, Lock lock) {
    // The child's end closes at its exec: end of file here says it holds the
    // device, a byte that it failed.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0 && (lock == Lock::None ||
                        (flock(fd, LOCK_EX | LOCK_NB) == 0 && ioctl(fd, TIOCEXCL) == 0))) {
            execlp("sleep", "sleep", "600", static_cast<char *>(nullptr));
        }
        const char failed = 'x';
        [[maybe_unused]] const ssize_t written = write(ready[1], &failed, 1);
        _exit(127);
    }
    close(ready[1]);
    char byte = 0;
    ssize_t got = -1;
    if (pid > 0) {
        do {
            got = read(ready[0], &byte, 1);
        } while (got < 0 && errno == EINTR);
    }
    close(ready[0]);
    if (pid < 0) return;
    if (got != 0) {
        waitpid(pid, nullptr, 0);
        return;
    }
    pid_ = pid;
}

DeviceHolder::~DeviceHolder() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::string DeviceHolder::name() const { return process_name(pid_); }

PseudoTerminalPair::PseudoTerminalPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    char name[128];
    if (ptsname_r(master_, name, sizeof name) == 0) slave_path_ = name;
}

PseudoTerminalPair::~PseudoTerminalPair() {
    if (master_ >= 0) close(master_);
}

std::string process_name(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace test_support
