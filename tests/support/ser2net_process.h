#pragma once

// Debian's ser2net (4.x) as a child process, for the tests and benchmarks that
// put a reader on the network: started in the foreground with a configuration
// of its own (no system paths, no pid file, no UUCP locks) serving one device
// on 127.0.0.1, either as Telnet with RFC 2217 or as a raw TCP stream; ended
// (SIGTERM, then a wait) when the object goes.

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace test_support {

class Ser2netProcess {
public:
    enum class Kind { rfc2217, raw };

    Ser2netProcess() = default;
    ~Ser2netProcess();
    Ser2netProcess(const Ser2netProcess &) = delete;
    Ser2netProcess &operator=(const Ser2netProcess &) = delete;

    // The ser2net program; "" when it is not installed.
    static std::string program();

    // Serves `device` (its line at `rate`, 8N1, modem lines ignored) on
    // 127.0.0.1 at `port`, or at a free port when 0; returns once the port
    // accepts. False, with `error` set, when it does not come up.
    bool start(const std::string &device, Kind kind, std::int32_t rate, std::string &error,
               std::uint16_t port = 0);
    void stop();
    // SIGSTOP and SIGCONT: a server that says nothing, then wakes.
    void pause();
    void resume();

    std::uint16_t port() const { return port_; }
    // The address a port's device is set to: rfc2217://127.0.0.1:PORT or
    // tcp://127.0.0.1:PORT.
    std::string address() const;

private:
    pid_t pid_ = -1;
    Kind kind_ = Kind::rfc2217;
    std::uint16_t port_ = 0;
    std::string config_path_;
};

}  // namespace test_support
