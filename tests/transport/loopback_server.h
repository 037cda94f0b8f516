#pragma once

// A server of the test's own on 127.0.0.1 (or ::1), for what a real serial-port server
// cannot be made to do: it accepts one connection and runs a script on it in a
// thread of its own, joined when the object goes. Works on both systems.

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "reader_frame.h"

namespace transport_test {

using namespace std::chrono_literals;

class Connection {
public:
    explicit Connection(std::intptr_t socket) : socket_(socket) {}
    // Reads until the bytes end with `suffix`, the peer closes or `patience`
    // runs out; what came.
    Bytes read_until(const Bytes &suffix, std::chrono::milliseconds patience = 5s);
    // Reads until the peer closes or `patience` runs out.
    Bytes read_to_end(std::chrono::milliseconds patience = 5s);
    void write(const Bytes &bytes);

private:
    std::intptr_t socket_;
};

class LoopbackServer {
public:
    enum class Family { ipv4, ipv6 };
    // Listens on 127.0.0.1, or on ::1.
    explicit LoopbackServer(std::function<void(Connection &)> script, Family family = Family::ipv4);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    std::uint16_t port() const { return port_; }

private:
    std::intptr_t listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens (bound, then let go).
std::uint16_t closed_port();

}  // namespace transport_test
