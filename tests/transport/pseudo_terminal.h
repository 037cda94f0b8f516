#pragma once

// A pseudo-terminal pair for the transport's tests: the transport opens the slave
// by its path, and a small stand-in for the reader works the master side from a
// thread of its own. The test keeps its own slave descriptor open: without it the
// master would read EIO whenever the transport closes the port, and through it the
// stand-in reads the line settings (a second open would meet TIOCEXCL).

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "transport_environment.h"
#include "reader_frame.h"

namespace transport_test {

using namespace std::chrono_literals;

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    const std::string &slave_path() const { return slave_path_; }
    int slave() const { return slave_; }

    // The reader's side.
    // Reads exactly `count` bytes, or fewer when `patience` runs out or the line fails.
    Bytes read(std::size_t count, std::chrono::milliseconds patience = 5s) const;
    void write(const Bytes &bytes) const;
    // Hangs up, as an unplugged adapter does.
    void close_master();

    // The rate the line is set to (termios2, so 14400 and 28800 read right).
    std::int32_t line_rate() const;
    // Bytes waiting on the transport's side, not yet read.
    int input_waiting() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
};

// Runs `script` on the master side in a thread, joined on destruction.
class ReaderStandIn {
public:
    ReaderStandIn(PseudoTerminal &line, std::function<void(PseudoTerminal &)> script);
    ~ReaderStandIn();
    ReaderStandIn(const ReaderStandIn &) = delete;
    ReaderStandIn &operator=(const ReaderStandIn &) = delete;

private:
    std::thread thread_;
};

using test_support::use_device;
using test_support::use_first_byte_wait;
using test_support::use_waits;

}  // namespace transport_test
