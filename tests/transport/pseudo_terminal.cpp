#include "pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "serial_line.h"

namespace transport_test {

PseudoTerminal::PseudoTerminal() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    slave_path_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    close_master();
    if (slave_ >= 0) ::close(slave_);
}

Bytes PseudoTerminal::read(std::size_t count, std::chrono::milliseconds patience) const {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (got.size() < count && master_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd wait{master_, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        std::uint8_t buffer[1024];
        const std::size_t room = std::min(sizeof buffer, count - got.size());
        const ssize_t n = ::read(master_, buffer, room);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

void PseudoTerminal::write(const Bytes &bytes) const {
    std::size_t done = 0;
    while (done < bytes.size() && master_ >= 0) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

void PseudoTerminal::close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

std::int32_t PseudoTerminal::line_rate() const {
    return selmek::line_rate(slave_);
}

int PseudoTerminal::input_waiting() const {
    int count = 0;
    if (ioctl(slave_, FIONREAD, &count) != 0) return -1;
    return count;
}

ReaderStandIn::ReaderStandIn(PseudoTerminal &line, std::function<void(PseudoTerminal &)> script)
    : thread_([&line, script = std::move(script)] { script(line); }) {}

ReaderStandIn::~ReaderStandIn() {
    thread_.join();
}

}  // namespace transport_test
