// BSD sockets, non-blocking, every wait a ppoll() against a deadline. Host names
// are resolved with getaddrinfo_a(), so that a resolver that does not answer is
// given up at the deadline instead of holding the caller for its own retries.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include "selmek_results.h"
#include "stream_socket.h"

namespace selmek {

namespace {

timespec time_left(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    const auto nanoseconds =
        left.count() > 0 ? std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() : 0;
    timespec result{};
    result.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
    result.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    return result;
}

// What a connection that is no more reports.
bool means_connection_gone(int error) {
    switch (error) {
        case ECONNRESET:
        case EPIPE:
        case ENOTCONN:
        case ECONNABORTED:
        case ETIMEDOUT:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case ENETDOWN:
        case ENETRESET:
            return true;
        default:
            return false;
    }
}

std::int32_t translate(int error, std::int32_t otherwise) {
    return means_connection_gone(error) ? SELMEK_ERR_DEVICE_GONE : otherwise;
}

// One lookup of getaddrinfo_a(). The resolver's thread may still be working on
// one that was given up; it must then outlive the caller, so given-up lookups
// wait in a list, made with the first of them, and are reaped once done. Those
// still running when the library is unloaded are left to the resolver.
struct Lookup {
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb request{};
};

std::mutex g_abandoned_mutex;
std::vector<std::unique_ptr<Lookup>> *g_abandoned = nullptr;

void reap_abandoned() {
    std::lock_guard<std::mutex> lock(g_abandoned_mutex);
    if (g_abandoned == nullptr) return;
    auto &list = *g_abandoned;
    for (auto it = list.begin(); it != list.end();) {
        if (gai_error(&(*it)->request) != EAI_INPROGRESS) {
            if ((*it)->request.ar_result != nullptr) freeaddrinfo((*it)->request.ar_result);
            it = list.erase(it);
        } else {
            ++it;
        }
    }
}

void abandon(std::unique_ptr<Lookup> lookup) {
    std::lock_guard<std::mutex> lock(g_abandoned_mutex);
    if (g_abandoned == nullptr) g_abandoned = new std::vector<std::unique_ptr<Lookup>>();
    g_abandoned->push_back(std::move(lookup));
}

int lookup_failure(int error) {
    switch (error) {
        case EAI_MEMORY:
            return ENOMEM;
        case EAI_SYSTEM:
            return errno != 0 ? errno : SELMEK_ERR_UNKNOWN_HOST;
        default:
            // No such name, no address for it, no answer from the resolver.
            return SELMEK_ERR_UNKNOWN_HOST;
    }
}

struct Resolved {
    int why = 0;
    addrinfo *addresses = nullptr;
};

Resolved resolve(const std::string &host, std::uint16_t port, bool numeric,
                 Clock::time_point deadline) {
    reap_abandoned();
    auto lookup = std::make_unique<Lookup>();
    lookup->host = host;
    lookup->service = std::to_string(port);
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_flags = AI_NUMERICSERV;

    // A number needs no resolver.
    addrinfo numeric_hints = lookup->hints;
    numeric_hints.ai_flags = AI_NUMERICSERV | AI_NUMERICHOST;
    addrinfo *addresses = nullptr;
    const int direct =
        getaddrinfo(host.c_str(), lookup->service.c_str(), &numeric_hints, &addresses);
    if (direct == 0) return {0, addresses};
    if (numeric)
        return {direct == EAI_NONAME ? SELMEK_ERR_BAD_ADDRESS : lookup_failure(direct), nullptr};

#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer cannot follow the threads glibc starts for getaddrinfo_a()
    // (they crash in its runtime): its builds wait for the resolver as it is.
    const int looked_up =
        getaddrinfo(host.c_str(), lookup->service.c_str(), &lookup->hints, &addresses);
    return {looked_up == 0 ? 0 : lookup_failure(looked_up), looked_up == 0 ? addresses : nullptr};
#endif
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->service.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb *list[] = {&lookup->request};
    if (const int started = getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr); started != 0) {
        return {lookup_failure(started), nullptr};
    }
    for (;;) {
        const int state = gai_error(&lookup->request);
        if (state == 0) return {0, lookup->request.ar_result};
        if (state != EAI_INPROGRESS) return {lookup_failure(state), nullptr};
        if (Clock::now() >= deadline) break;
        const timespec left = time_left(deadline);
        const gaicb *waiting[] = {&lookup->request};
        gai_suspend(waiting, 1, &left);
    }
    if (gai_cancel(&lookup->request) == EAI_NOTCANCELED) {
        abandon(std::move(lookup));
    } else if (lookup->request.ar_result != nullptr) {
        freeaddrinfo(lookup->request.ar_result);
    }
    return {SELMEK_ERR_UNKNOWN_HOST, nullptr};
}

// Connects a new socket to `address` by `deadline`: the descriptor, or -1 with
// `why` set.
int connect_one(const addrinfo &address, Clock::time_point deadline, int &why) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) {
        why = errno;
        return -1;
    }
    int result = ::connect(fd, address.ai_addr, address.ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
        for (;;) {
            pollfd wait{fd, POLLOUT, 0};
            const timespec left = time_left(deadline);
            const int ready = ppoll(&wait, 1, &left, nullptr);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0) {
                why = errno;
                break;
            }
            if (ready == 0) {
                why = ETIMEDOUT;
                break;
            }
            int error = 0;
            socklen_t size = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
            why = error;
            result = error == 0 ? 0 : -1;
            break;
        }
    } else if (result != 0) {
        why = errno;
    }
    if (result != 0) {
        ::close(fd);
        return -1;
    }
    // Each frame goes out at once, not held back to be joined with the next.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

int fd_of(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

StreamSocket::~StreamSocket() { close(); }

int StreamSocket::connect(const std::string &host, std::uint16_t port, bool numeric,
                          Clock::time_point deadline) {
    close();
    const Resolved resolved = resolve(host, port, numeric, deadline);
    if (resolved.why != 0) return resolved.why;
    int why = ETIMEDOUT;
    for (const addrinfo *address = resolved.addresses; address != nullptr;
         address = address->ai_next) {
        if (Clock::now() >= deadline) {
            why = ETIMEDOUT;
            break;
        }
        const int fd = connect_one(*address, deadline, why);
        if (fd >= 0) {
            handle_ = fd;
            why = 0;
            break;
        }
    }
    freeaddrinfo(resolved.addresses);
    return why;
}

void StreamSocket::close() {
    if (!is_open()) return;
    ::close(fd_of(handle_));
    handle_ = kClosed;
}

std::int32_t StreamSocket::send_all(const std::uint8_t *data, std::size_t count,
                                    Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t sent = ::send(fd_of(handle_), data + done, count - done, MSG_NOSIGNAL);
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno != EAGAIN) return translate(errno, SELMEK_ERR_WRITE_FAILED);

        pollfd wait{fd_of(handle_), POLLOUT, 0};
        const timespec left = time_left(deadline);
        const int ready = ppoll(&wait, 1, &left, nullptr);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return translate(errno, SELMEK_ERR_WRITE_FAILED);
        if (ready == 0) return SELMEK_ERR_WRITE_FAILED;
        if (wait.revents & (POLLHUP | POLLERR)) return SELMEK_ERR_DEVICE_GONE;
    }
    return SELMEK_OK;
}

ReadResult StreamSocket::receive_some(std::uint8_t *buffer, std::size_t room,
                                      Clock::time_point deadline, bool read_first) {
    bool read_now = read_first;
    for (;;) {
        if (read_now) {
            const ssize_t got = ::recv(fd_of(handle_), buffer, room, 0);
            if (got > 0) {
                // Acknowledge at once, not after the delayed-ACK timer: a server
                // that sends an answer's bytes as they come off its line, with
                // Nagle's algorithm on, holds each next byte until the last is
                // acknowledged, which would cost 40 ms an answer. Linux clears
                // the setting as it goes, so it is set after every read.
                const int on = 1;
                setsockopt(fd_of(handle_), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
                return {SELMEK_OK, static_cast<std::size_t>(got)};
            }
            // The server closed the connection: the line is gone.
            if (got == 0) return {SELMEK_ERR_DEVICE_GONE, 0};
            if (errno == EINTR) continue;
            if (errno != EAGAIN) return {translate(errno, SELMEK_ERR_IO), 0};
        }
        pollfd wait{fd_of(handle_), POLLIN, 0};
        const timespec left = time_left(deadline);
        const int ready = ppoll(&wait, 1, &left, nullptr);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return {translate(errno, SELMEK_ERR_IO), 0};
        if (ready == 0) return {SELMEK_ERR_TIMEOUT, 0};
        read_now = true;
    }
}

int StreamSocket::system_code(OpenFailure failure) {
    switch (failure) {
        case OpenFailure::timed_out:
            return ETIMEDOUT;
        case OpenFailure::closed:
            return ECONNRESET;
        case OpenFailure::protocol_refused:
            return EPROTONOSUPPORT;
        case OpenFailure::protocol_broken:
            return EPROTO;
        case OpenFailure::other:
            break;
    }
    return EIO;
}

}  // namespace selmek
