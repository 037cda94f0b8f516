#include "serve_loop.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

#include "request_framer.h"

namespace sim {

namespace {

// A frame that stops half-way for this long is dropped, as the reader's firmware
// does, so that the next request starts clean.
constexpr auto kInterByteTimeout = std::chrono::milliseconds(200);
constexpr int kPollMilliseconds = 50;

bool write_all(int fd, const Bytes &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno == EAGAIN) {
            pollfd out{fd, POLLOUT, 0};
            ::poll(&out, 1, kPollMilliseconds);
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace

bool serve(PtyPort &port, VirtualReader &reader, const ServeOptions &options) {
    using Clock = std::chrono::steady_clock;
    RequestFramer framer;
    std::vector<Bytes> frames;
    Clock::time_point last_byte = Clock::now();
    std::uint8_t buffer[4096];

    for (;;) {
        pollfd fds[4] = {{port.master(), POLLIN, 0},
                         {options.stop_fd, POLLIN, 0},
                         {options.parent_fd, POLLIN, 0},
                         {port.close_watch(), POLLIN, 0}};
        const int ready = ::poll(fds, 4, kPollMilliseconds);
        if (ready < 0 && errno != EINTR) return false;

        if (fds[1].revents != 0) return true;
        if (fds[2].revents != 0) {
            const ssize_t got = ::read(options.parent_fd, buffer, sizeof buffer);
            if (got <= 0) return true;
        }
        if (fds[3].revents != 0 && port.client_closed()) {
            port.release_exclusive_if_unused();
            framer.reset();
        }
        if (framer.in_frame() && Clock::now() - last_byte > kInterByteTimeout) framer.reset();
        if ((fds[0].revents & POLLIN) == 0) {
            if (fds[0].revents & (POLLERR | POLLNVAL)) return false;
            continue;
        }

        const ssize_t got = ::read(port.master(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR || errno == EIO) continue;
            return false;
        }
        last_byte = Clock::now();
        const ByteView received(buffer, static_cast<std::size_t>(got));

        const auto speed = port.line_speed();
        if (!speed || *speed != reader.baud_rate()) {
            framer.reset();
            if (options.log) {
                *options.log << "ignored at " << (speed ? *speed : 0) << " baud (reader at "
                             << reader.baud_rate() << "): " << to_hex(received) << std::endl;
            }
            continue;
        }

        frames.clear();
        framer.feed(received, frames);
        for (const Bytes &frame : frames) {
            const unsigned rate_before = reader.baud_rate();
            const auto response = reader.handle(frame);
            if (options.log) {
                *options.log << "<- " << to_hex(frame) << "\n-> "
                             << (response ? to_hex(*response) : std::string("(no answer)"));
                if (reader.baud_rate() != rate_before) {
                    *options.log << "\n   now at " << reader.baud_rate() << " baud";
                }
                *options.log << std::endl;
            }
            if (response && !write_all(port.master(), *response)) return false;
        }
    }
}

}  // namespace sim
