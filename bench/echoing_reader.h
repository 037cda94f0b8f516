#pragma once

// A pseudo-terminal whose master side answers every request (a block read) with
// the same frame, from a thread of its own, and the plain round trip over it:
// the yardstick the benchmarks hold exchanges against.

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "block_read_answer.h"

namespace bench {

// A block read of block 4, and the reader's answer with 16 data bytes (two 0xAA).
inline const std::vector<std::uint8_t> kRequest = {0xAA, 0xBB, 0x05, 0xFA, 0x00,
                                                   0x00, 0x13, 0x04, 0xED};
inline const std::vector<std::uint8_t> kAnswer = block_read_answer();

inline bool read_exactly(int fd, std::uint8_t *buffer, std::size_t count, int patience_ms) {
    std::size_t got = 0;
    while (got < count) {
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, patience_ms) <= 0) return false;
        const ssize_t n = read(fd, buffer + got, count - got);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

class EchoingReader {
public:
    EchoingReader() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) std::abort();
        path_ = name;
        thread_ = std::thread([this] {
            std::uint8_t request[64];
            while (!stop_) {
                if (!read_exactly(master_, request, kRequest.size(), 100)) continue;
                if (write(master_, kAnswer.data(), kAnswer.size()) !=
                    static_cast<ssize_t>(kAnswer.size())) {
                    return;
                }
            }
        });
    }
    ~EchoingReader() {
        stop_ = true;
        thread_.join();
        close(master_);
        close(slave_);
    }
    EchoingReader(const EchoingReader &) = delete;
    EchoingReader &operator=(const EchoingReader &) = delete;

    int slave() const { return slave_; }
    const std::string &path() const { return path_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The same bytes as an exchange, with nothing around them: the request out, and
// as many bytes back as the answer has.
inline bool plain_round_trip(int fd, std::uint8_t *answer) {
    return write(fd, kRequest.data(), kRequest.size()) == static_cast<ssize_t>(kRequest.size()) &&
           read_exactly(fd, answer, kAnswer.size(), 2000);
}

}  // namespace bench
