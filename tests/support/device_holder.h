#pragma once

// Another program holding a device: a child process that opens it, locks it as
// the transport does when asked (flock and exclusive mode), then becomes `sleep`
// with the descriptor still open, so it holds the device under a name and
// process ID of its own until the object goes (SIGKILL, then a wait).
// Also a pseudo-terminal to hold, whose master stays with the test.

#include <sys/types.h>

#include <string>

namespace test_support {

class DeviceHolder {
public:
    enum class Lock { None, LikeTheTransport };

    // Holds `device` once the constructor returns; pid() is -1 when it could not.
    DeviceHolder(const std::string &device, Lock lock);
    ~DeviceHolder();
    DeviceHolder(const DeviceHolder &) = delete;
    DeviceHolder &operator=(const DeviceHolder &) = delete;

    pid_t pid() const { return pid_; }
    // The name the kernel gives the holder ("sleep").
    std::string name() const;

private:
    pid_t pid_ = -1;
};

class PseudoTerminalPair {
public:
    PseudoTerminalPair();
    ~PseudoTerminalPair();
    PseudoTerminalPair(const PseudoTerminalPair &) = delete;
    PseudoTerminalPair &operator=(const PseudoTerminalPair &) = delete;

    const std::string &slave_path() const { return slave_path_; }

private:
    int master_ = -1;
    std::string slave_path_;
};

// The kernel's name of process `pid` (/proc/PID/comm); "" when gone.
std::string process_name(pid_t pid);

}  // namespace test_support
