// Winsock, non-blocking, every wait a select() against a deadline (select, not
// WSAPoll: older Windows' WSAPoll does not report a failed connect). Names are
// resolved with GetAddrInfoW, which has no bound of its own; the resolver's
// own retries bound it.
// Winsock's headers first, and in this order.
#include <winsock2.h>

#include <ws2tcpip.h>

#include <mstcpip.h>
#include <windows.h>

#include "platform/utf16.h"
#include "selmek_results.h"
#include "stream_socket.h"

namespace selmek {

namespace {

// Winsock is started once for the process, on first use (never from DllMain,
// where it may not be), and left to the process's end.
bool winsock_started() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

timeval time_left(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    const long long microseconds =
        left.count() > 0 ? std::chrono::duration_cast<std::chrono::microseconds>(left).count() : 0;
    timeval result{};
    result.tv_sec = static_cast<long>(microseconds / 1'000'000);
    result.tv_usec = static_cast<long>(microseconds % 1'000'000);
    return result;
}

bool means_connection_gone(int error) {
    switch (error) {
        case WSAECONNRESET:
        case WSAECONNABORTED:
        case WSAENOTCONN:
        case WSAESHUTDOWN:
        case WSAETIMEDOUT:
        case WSAEHOSTUNREACH:
        case WSAENETUNREACH:
        case WSAENETDOWN:
        case WSAENETRESET:
            return true;
        default:
            return false;
    }
}

std::int32_t translate(int error, std::int32_t otherwise) {
    return means_connection_gone(error) ? SELMEK_ERR_DEVICE_GONE : otherwise;
}

SOCKET socket_of(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

// Waits until `socket` is readable (or, with `writable`, writable; a failed
// connect shows as an exception) or `deadline`: 1 ready, 0 timed out, -1 failed.
int wait_for(SOCKET socket, bool writable, Clock::time_point deadline) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    timeval left = time_left(deadline);
    const int count =
        select(0, writable ? nullptr : &ready, writable ? &ready : nullptr, &failed, &left);
    if (count == SOCKET_ERROR) return -1;
    return count > 0 ? 1 : 0;
}

int lookup_failure(int error) {
    switch (error) {
        case WSA_NOT_ENOUGH_MEMORY:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            // No such name, no address for it, no answer from the resolver.
            return SELMEK_ERR_UNKNOWN_HOST;
    }
}

// Connects a new socket to `address` by `deadline`: the socket, or
// INVALID_SOCKET with `why` set.
SOCKET connect_one(const ADDRINFOW &address, Clock::time_point deadline, int &why) {
    const SOCKET socket = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (socket == INVALID_SOCKET) {
        why = WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long non_blocking = 1;
    ioctlsocket(socket, FIONBIO, &non_blocking);
    int result = ::connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen));
    if (result == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
        const int ready = wait_for(socket, true, deadline);
        if (ready < 0) {
            why = WSAGetLastError();
        } else if (ready == 0) {
            why = WSAETIMEDOUT;
        } else {
            int error = 0;
            int size = sizeof error;
            if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) !=
                0) {
                error = WSAGetLastError();
            }
            why = error;
            result = error == 0 ? 0 : SOCKET_ERROR;
        }
    } else if (result == SOCKET_ERROR) {
        why = WSAGetLastError();
    }
    if (result != 0) {
        closesocket(socket);
        return INVALID_SOCKET;
    }
    // Each frame goes out at once, not held back to be joined with the next.
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
    // Every segment acknowledged at once, not after the delayed-ACK timer (200 ms
    // on Windows): a server that sends an answer's bytes as they come off its
    // line, with Nagle's algorithm on, holds each next byte until the last is
    // acknowledged. Systems without the setting keep their default.
    DWORD frequency = 1;
    DWORD returned = 0;
    WSAIoctl(socket, SIO_TCP_SET_ACK_FREQUENCY, &frequency, sizeof frequency, nullptr, 0, &returned,
             nullptr, nullptr);
    return socket;
}

}  // namespace

StreamSocket::~StreamSocket() { close(); }

int StreamSocket::connect(const std::string &host, std::uint16_t port, bool numeric,
                          Clock::time_point deadline) {
    close();
    if (!winsock_started()) return WSANOTINITIALISED;
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | (numeric ? AI_NUMERICHOST : 0);
    ADDRINFOW *addresses = nullptr;
    const std::wstring service = std::to_wstring(port);
    const int resolved =
        GetAddrInfoW(platform::to_utf16(host).c_str(), service.c_str(), &hints, &addresses);
    if (resolved != 0) {
        if (numeric && resolved == WSAHOST_NOT_FOUND) return SELMEK_ERR_BAD_ADDRESS;
        return lookup_failure(resolved);
    }
    int why = WSAETIMEDOUT;
    for (const ADDRINFOW *address = addresses; address != nullptr; address = address->ai_next) {
        if (Clock::now() >= deadline) {
            why = WSAETIMEDOUT;
            break;
        }
        const SOCKET socket = connect_one(*address, deadline, why);
        if (socket != INVALID_SOCKET) {
            handle_ = static_cast<std::intptr_t>(socket);
            why = 0;
            break;
        }
    }
    FreeAddrInfoW(addresses);
    return why;
}

void StreamSocket::close() {
    if (!is_open()) return;
    closesocket(socket_of(handle_));
    handle_ = kClosed;
}

std::int32_t StreamSocket::send_all(const std::uint8_t *data, std::size_t count,
                                    Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < count) {
        const int chunk = count - done > 0x10000 ? 0x10000 : static_cast<int>(count - done);
        const int sent =
            ::send(socket_of(handle_), reinterpret_cast<const char *>(data + done), chunk, 0);
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) return translate(error, SELMEK_ERR_WRITE_FAILED);
        const int ready = wait_for(socket_of(handle_), true, deadline);
        if (ready < 0) return translate(WSAGetLastError(), SELMEK_ERR_WRITE_FAILED);
        if (ready == 0) return SELMEK_ERR_WRITE_FAILED;
    }
    return SELMEK_OK;
}

ReadResult StreamSocket::receive_some(std::uint8_t *buffer, std::size_t room,
                                      Clock::time_point deadline, bool read_first) {
    const int size = room > 0x10000 ? 0x10000 : static_cast<int>(room);
    bool read_now = read_first;
    for (;;) {
        if (read_now) {
            const int got = ::recv(socket_of(handle_), reinterpret_cast<char *>(buffer), size, 0);
            if (got > 0) return {SELMEK_OK, static_cast<std::size_t>(got)};
            // The server closed the connection: the line is gone.
            if (got == 0) return {SELMEK_ERR_DEVICE_GONE, 0};
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) return {translate(error, SELMEK_ERR_IO), 0};
        }
        const int ready = wait_for(socket_of(handle_), false, deadline);
        if (ready < 0) return {translate(WSAGetLastError(), SELMEK_ERR_IO), 0};
        if (ready == 0) return {SELMEK_ERR_TIMEOUT, 0};
        read_now = true;
    }
}

int StreamSocket::system_code(OpenFailure failure) {
    switch (failure) {
        case OpenFailure::timed_out:
            return WSAETIMEDOUT;
        case OpenFailure::closed:
            return WSAECONNRESET;
        case OpenFailure::protocol_refused:
            return WSAEPROTONOSUPPORT;
        case OpenFailure::protocol_broken:
            return ERROR_INVALID_DATA;
        case OpenFailure::other:
            break;
    }
    return ERROR_GEN_FAILURE;
}

}  // namespace selmek
