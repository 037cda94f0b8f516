#include "loopback_server.h"

#include <algorithm>
#include <stdexcept>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
using Size = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
using Size = socklen_t;
#endif

namespace transport_test {

namespace {

void start_sockets() {
#if defined(_WIN32)
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("Winsock did not start");
#endif
}

void close_socket(std::intptr_t socket) {
#if defined(_WIN32)
    closesocket(static_cast<Socket>(socket));
#else
    ::close(static_cast<Socket>(socket));
#endif
}

// Whether `socket` has something to read (or has closed) within `wait`.
bool readable(std::intptr_t socket, std::chrono::milliseconds wait) {
#if defined(_WIN32)
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<Socket>(socket), &set);
    timeval left{static_cast<long>(wait.count() / 1000),
                 static_cast<long>(wait.count() % 1000) * 1000};
    return select(0, &set, nullptr, nullptr, &left) > 0;
#else
    pollfd poll_for{static_cast<Socket>(socket), POLLIN, 0};
    return poll(&poll_for, 1, static_cast<int>(wait.count())) > 0;
#endif
}

// Appends what one read brings; false at the end of the stream or a failure.
bool read_once(std::intptr_t socket, Bytes &got) {
    char buffer[1024];
    const auto count = ::recv(static_cast<Socket>(socket), buffer, sizeof buffer, 0);
    if (count <= 0) return false;
    got.insert(got.end(), buffer, buffer + count);
    return true;
}

Socket listening_socket(std::uint16_t &port, LoopbackServer::Family family) {
    start_sockets();
    sockaddr_storage storage{};
    Size size = 0;
    if (family == LoopbackServer::Family::ipv6) {
        auto &address = reinterpret_cast<sockaddr_in6 &>(storage);
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        size = sizeof address;
    } else {
        auto &address = reinterpret_cast<sockaddr_in &>(storage);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        size = sizeof address;
    }
    const Socket listener = ::socket(storage.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (::bind(listener, reinterpret_cast<sockaddr *>(&storage), size) != 0 ||
        ::listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr *>(&storage), &size) != 0) {
        throw std::runtime_error("no loopback listener");
    }
    port = family == LoopbackServer::Family::ipv6
               ? ntohs(reinterpret_cast<sockaddr_in6 &>(storage).sin6_port)
               : ntohs(reinterpret_cast<sockaddr_in &>(storage).sin_port);
    return listener;
}

}  // namespace

Bytes Connection::read_until(const Bytes &suffix, std::chrono::milliseconds patience) {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (
        got.size() < suffix.size() ||
        !std::equal(suffix.begin(), suffix.end(), got.end() - static_cast<long>(suffix.size()))) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !readable(socket_, left) || !read_once(socket_, got)) break;
    }
    return got;
}

Bytes Connection::read_to_end(std::chrono::milliseconds patience) {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !readable(socket_, left) || !read_once(socket_, got)) break;
    }
    return got;
}

void Connection::write(const Bytes &bytes) {
    ::send(static_cast<Socket>(socket_), reinterpret_cast<const char *>(bytes.data()),
           static_cast<int>(bytes.size()), 0);
}

LoopbackServer::LoopbackServer(std::function<void(Connection &)> script, Family family) {
    const Socket listener = listening_socket(port_, family);
    listener_ = static_cast<std::intptr_t>(listener);
    thread_ = std::thread([listener, script = std::move(script)] {
        if (!readable(static_cast<std::intptr_t>(listener), 10s)) return;
        const Socket accepted = ::accept(listener, nullptr, nullptr);
        Connection connection(static_cast<std::intptr_t>(accepted));
        script(connection);
        close_socket(static_cast<std::intptr_t>(accepted));
    });
}

LoopbackServer::~LoopbackServer() {
    thread_.join();
    close_socket(listener_);
}

std::uint16_t closed_port() {
    std::uint16_t port = 0;
    close_socket(static_cast<std::intptr_t>(listening_socket(port, LoopbackServer::Family::ipv4)));
    return port;
}

}  // namespace transport_test
