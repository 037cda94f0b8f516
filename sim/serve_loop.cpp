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
#include "protocol/frame.h"
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

// The junk of a garbage fault: the same pseudo-random bytes every time, without
// the header's first byte, so that the junk never starts a frame of its own.
Bytes line_noise(std::size_t count) {
    Bytes noise;
    std::uint32_t state = 0x2545F491;
    while (noise.size() < count) {
        state = state * 1664525u + 1013904223u;
        const auto byte = static_cast<std::uint8_t>(state >> 24);
        if (byte != protocol::kHeader0) noise.push_back(byte);
    }
    return noise;
}

class Session {
public:
    Session(PtyPort &port, VirtualReader &reader, const ServeOptions &options)
        : port_(port), reader_(reader), options_(options) {}

    // Returns when told to stop; false when the pseudo-terminal failed.
    bool serve();

private:
    bool serve_until_stopped();
    // Reads what the parent wrote: command lines, or dropped without a control.
    // False at the input's end or hang-up.
    bool take_parent_input();
    // Whether the stop descriptor, or the parent's input at its end, says to stop.
    bool told_to_stop(const pollfd &stop, const pollfd &parent);
    // Carries out the command lines that are in, and with `input_ended` the last
    // one without its line end too.
    void run_commands(bool input_ended);
    // Sleeps until `deadline`; false when told to stop meanwhile.
    bool sleep_until(Clock::time_point deadline);
    Outcome send_paced(ByteView answer, Clock::time_point start, unsigned rate);
    Outcome answer(const Bytes &frame, Clock::time_point arrived);
    // The answer with the faults armed for it, which are then used up.
    Bytes with_faults(Bytes response);

    PtyPort &port_;
    VirtualReader &reader_;
    const ServeOptions &options_;
    RequestFramer framer_;
    CommandLines lines_;
    bool input_ended_ = false;
    Clock::time_point silent_until_{};
};

bool Session::take_parent_input() {
    char buffer[4096];
    const ssize_t got = ::read(options_.parent_fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (got <= 0) {
        input_ended_ = true;
        return false;
    }
    if (options_.control) lines_.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    return true;
}

bool Session::told_to_stop(const pollfd &stop, const pollfd &parent) {
    if (stop.revents != 0) return true;
    return parent.revents != 0 && !take_parent_input();
}

void Session::run_commands(bool input_ended) {
    if (!options_.control) return;
    for (;;) {
        auto line = lines_.next();
        if (!line && input_ended) line = lines_.rest();
        if (!line) return;
        const std::string answer = options_.control->run(*line);
        LineFaults &faults = options_.control->faults();
        if (faults.silence.count() > 0) {
            silent_until_ = Clock::now() + faults.silence;
            faults.silence = {};
            framer_.reset();
        }
        // Hung up before the answer: once the parent reads "ok", the client's next
        // read or poll finds the line gone.
        if (faults.unplugged && !port_.hung_up()) port_.hang_up();
        if (options_.log) *options_.log << "control: " << *line << "\n   " << answer << std::endl;
        write_all(options_.answer_fd,
                  ByteView(reinterpret_cast<const std::uint8_t *>(answer.data()), answer.size()));
        write_all(options_.answer_fd, ByteView(reinterpret_cast<const std::uint8_t *>("\n"), 1));
    }
}

// To the microsecond (ppoll, unlike poll, takes one). What the parent writes
// meanwhile is taken in but carried out only after the answer.
bool Session::sleep_until(Clock::time_point deadline) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return true;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec timeout{static_cast<std::time_t>(seconds.count()),
                               static_cast<long>((left - seconds).count())};
        pollfd fds[2] = {{options_.stop_fd, POLLIN, 0}, {options_.parent_fd, POLLIN, 0}};
        if (::ppoll(fds, 2, &timeout, nullptr) > 0 && told_to_stop(fds[0], fds[1])) return false;
    }
}

// Writes `answer` as the line delivers it at `rate` when the reader starts
// sending at `start`: each byte once its stop bit is through. Every byte keeps
// its own time from `start`, so a late wake-up delays the bytes due by then but
// not the ones after them.
Outcome Session::send_paced(ByteView answer, Clock::time_point start, unsigned rate) {
    std::size_t sent = 0;
    while (sent < answer.size()) {
        if (!sleep_until(start + protocol::wire_time(sent + 1, rate))) return Outcome::Stopped;
        const Clock::time_point now = Clock::now();
        std::size_t due = sent + 1;
        while (due < answer.size() && start + protocol::wire_time(due + 1, rate) <= now) ++due;
        if (!write_all(port_.master(), answer.subspan(sent, due - sent))) return Outcome::Failed;
        sent = due;
    }
    return Outcome::Serving;
}

Bytes Session::with_faults(Bytes response) {
    if (!options_.control) return response;
    LineFaults &faults = options_.control->faults();
    if (faults.cut_next_answer) {
        response.resize(response.size() / 2);
        faults.cut_next_answer = false;
        if (options_.log) *options_.log << "   cut to " << response.size() << " bytes" << std::endl;
    }
    if (faults.garbage > 0) {
        Bytes wire = line_noise(faults.garbage);
        append(wire, response);
        response = std::move(wire);
        if (options_.log)
            *options_.log << "   after " << faults.garbage << " junk bytes" << std::endl;
        faults.garbage = 0;
    }
    return response;
}

// Answers one request frame, whose last byte was in at `arrived`.
Outcome Session::answer(const Bytes &frame, Clock::time_point arrived) {
    // The answer to a set-baud request leaves at the rate the request came at.
    const unsigned rate = reader_.baud_rate();
    const auto response = reader_.handle(frame);
    if (options_.log) {
        *options_.log << "<- " << to_hex(frame) << "\n-> "
                      << (response ? to_hex(*response) : std::string("(no answer)"));
        if (reader_.baud_rate() != rate)
            *options_.log << "\n   now at " << reader_.baud_rate() << " baud";
        *options_.log << std::endl;
    }
    if (!response) return Outcome::Serving;
    const Bytes wire = with_faults(*response);
    if (!options_.realtime)
        return write_all(port_.master(), wire) ? Outcome::Serving : Outcome::Failed;

    const auto request = decode_request(frame);
    const CommandKind kind = request ? command_kind(request->code) : CommandKind::Reader;
    return send_paced(wire, arrived + options_.realtime->of(kind), rate);
}

bool Session::serve() {
    const bool served = serve_until_stopped();
    // Commands that came with the end of the input are still carried out.
    run_commands(input_ended_);
    return served;
}

bool Session::serve_until_stopped() {
    std::vector<Bytes> frames;
    Clock::time_point last_byte = Clock::now();
    // When the last byte taken in would have come in whole on a real line.
    Clock::time_point line_free{};
    std::uint8_t buffer[4096];
    // The timers' default slack (50 us) would make every paced byte late.
    if (options_.realtime) prctl(PR_SET_TIMERSLACK, 1UL);

    for (;;) {
        // Once hung up, the port's descriptors are -1, which poll passes over.
        pollfd fds[4] = {{port_.master(), POLLIN, 0},
                         {options_.stop_fd, POLLIN, 0},
                         {options_.parent_fd, POLLIN, 0},
                         {port_.close_watch(), POLLIN, 0}};
        const int ready = ::poll(fds, 4, kPollMilliseconds);
        if (ready < 0 && errno != EINTR) return false;

        if (told_to_stop(fds[1], fds[2])) return true;
        run_commands(false);
        if (port_.hung_up()) continue;
        if (fds[3].revents != 0 && port_.client_closed()) {
            port_.release_exclusive_if_unused();
            framer_.reset();
        }
        if (framer_.in_frame() && Clock::now() - last_byte > kInterByteTimeout) framer_.reset();
        if ((fds[0].revents & POLLIN) == 0) {
            if (fds[0].revents & (POLLERR | POLLNVAL)) return false;
            continue;
        }

        const ssize_t got = ::read(port_.master(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR || errno == EIO) continue;
            return false;
        }
        last_byte = Clock::now();
        const ByteView received(buffer, static_cast<std::size_t>(got));

        if (last_byte < silent_until_) {
            framer_.reset();
            if (options_.log)
                *options_.log << "ignored while silent: " << to_hex(received) << std::endl;
            continue;
        }
        const auto speed = port_.line_speed();
        if (!speed || *speed != reader_.baud_rate()) {
            framer_.reset();
            if (options_.log) {
                *options_.log << "ignored at " << (speed ? *speed : 0) << " baud (reader at "
                              << reader_.baud_rate() << "): " << to_hex(received) << std::endl;
            }
            continue;
        }

        // A byte comes in whole one byte time after the byte before it, or after it
        // was read when the line was idle.
        const auto byte_time = protocol::wire_time(1, reader_.baud_rate());
        for (const std::uint8_t byte : received) {
            line_free = std::max(line_free, last_byte) + byte_time;
            framer_.feed_byte(byte, frames);
            for (const Bytes &frame : frames) {
                const Outcome outcome = answer(frame, line_free);
                if (outcome != Outcome::Serving) return outcome == Outcome::Stopped;
            }
            frames.clear();
        }
    }
}

}  // namespace

bool serve(PtyPort &port, VirtualReader &reader, const ServeOptions &options) {
    return Session(port, reader, options).serve();
}

}  // namespace sim
