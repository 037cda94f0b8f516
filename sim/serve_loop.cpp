#include "serve_loop.h"

#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <vector>

#include "protocol/baud_rates.h"
#include "request_framer.h"
#include "sim/wire_frame.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

// A frame that stops half-way for this long is dropped, as the reader's firmware
// does, so that the next request starts clean.
constexpr auto kInterByteTimeout = std::chrono::milliseconds(200);
constexpr int kPollMilliseconds = 50;

enum class Outcome { Serving, Stopped, Failed };

bool write_all(int fd, ByteView bytes) {
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

// Whether the stop descriptor, or the parent's pipe at its end, says to stop.
// What the parent writes is read and dropped.
bool told_to_stop(const pollfd &stop, const pollfd &parent) {
    if (stop.revents != 0) return true;
    if (parent.revents == 0) return false;
    std::uint8_t buffer[256];
    return ::read(parent.fd, buffer, sizeof buffer) <= 0;
}

// Sleeps until `deadline`, to the microsecond (ppoll, unlike poll, takes one);
// false when told to stop meanwhile.
bool sleep_until(Clock::time_point deadline, const ServeOptions &options) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return true;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec timeout{static_cast<std::time_t>(seconds.count()),
                               static_cast<long>((left - seconds).count())};
        pollfd fds[2] = {{options.stop_fd, POLLIN, 0}, {options.parent_fd, POLLIN, 0}};
        if (::ppoll(fds, 2, &timeout, nullptr) > 0 && told_to_stop(fds[0], fds[1])) return false;
    }
}

// Writes `answer` as the line delivers it at `rate` when the reader starts
// sending at `start`: each byte once its stop bit is through. Every byte keeps
// its own time from `start`, so a late wake-up delays the bytes due by then but
// not the ones after them.
Outcome send_paced(int fd, ByteView answer, Clock::time_point start, unsigned rate,
                   const ServeOptions &options) {
    std::size_t sent = 0;
    while (sent < answer.size()) {
        if (!sleep_until(start + protocol::wire_time(sent + 1, rate), options)) {
            return Outcome::Stopped;
        }
        const Clock::time_point now = Clock::now();
        std::size_t due = sent + 1;
        while (due < answer.size() && start + protocol::wire_time(due + 1, rate) <= now) ++due;
        if (!write_all(fd, answer.subspan(sent, due - sent))) return Outcome::Failed;
        sent = due;
    }
    return Outcome::Serving;
}

// Answers one request frame, whose last byte was in at `arrived`.
Outcome answer(PtyPort &port, VirtualReader &reader, const ServeOptions &options,
               const Bytes &frame, Clock::time_point arrived) {
    // The answer to a set-baud request leaves at the rate the request came at.
    const unsigned rate = reader.baud_rate();
    const auto response = reader.handle(frame);
    if (options.log) {
        *options.log << "<- " << to_hex(frame) << "\n-> "
                     << (response ? to_hex(*response) : std::string("(no answer)"));
        if (reader.baud_rate() != rate)
            *options.log << "\n   now at " << reader.baud_rate() << " baud";
        *options.log << std::endl;
    }
    if (!response) return Outcome::Serving;
    if (!options.realtime)
        return write_all(port.master(), *response) ? Outcome::Serving : Outcome::Failed;

    const auto request = decode_request(frame);
    const CommandKind kind = request ? command_kind(request->code) : CommandKind::Reader;
    return send_paced(port.master(), *response, arrived + options.realtime->of(kind), rate,
                      options);
}

}  // namespace

bool serve(PtyPort &port, VirtualReader &reader, const ServeOptions &options) {
    RequestFramer framer;
    std::vector<Bytes> frames;
    Clock::time_point last_byte = Clock::now();
    // When the last byte taken in would have come in whole on a real line.
    Clock::time_point line_free{};
    std::uint8_t buffer[4096];
    // The timers' default slack (50 us) would make every paced byte late.
    if (options.realtime) prctl(PR_SET_TIMERSLACK, 1UL);

    for (;;) {
        pollfd fds[4] = {{port.master(), POLLIN, 0},
                         {options.stop_fd, POLLIN, 0},
                         {options.parent_fd, POLLIN, 0},
                         {port.close_watch(), POLLIN, 0}};
        const int ready = ::poll(fds, 4, kPollMilliseconds);
        if (ready < 0 && errno != EINTR) return false;

        if (told_to_stop(fds[1], fds[2])) return true;
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

        // A byte comes in whole one byte time after the byte before it, or after it
        // was read when the line was idle.
        const auto byte_time = protocol::wire_time(1, reader.baud_rate());
        for (const std::uint8_t byte : received) {
            line_free = std::max(line_free, last_byte) + byte_time;
            framer.feed_byte(byte, frames);
            for (const Bytes &frame : frames) {
                const Outcome outcome = answer(port, reader, options, frame, line_free);
                if (outcome != Outcome::Serving) return outcome == Outcome::Stopped;
            }
            frames.clear();
        }
    }
}

}  // namespace sim
