#pragma once

// How long an exchange waits for the reader. A reader that runs at the port's
// rate acknowledges within milliseconds, so a search for its rate (one request
// after every change of rate) need not wait the full first-byte wait at each rate
// it is not at. Until a reader has answered since the port was opened, the
// exchange right after the open or a change of rate is a probe: it waits the
// turnaround allowance in place of the first-byte wait. Every other exchange
// waits the first-byte wait.

#include <chrono>
#include <cstdint>

namespace selmek {

class AnswerWait {
public:
    // The port opened with these waits.
    void opened(std::chrono::milliseconds first_byte_wait,
                std::chrono::milliseconds turnaround_allowance);
    // The port's rate changed.
    void rate_changed();

    // The wait for the next exchange, which then reports its result.
    std::chrono::milliseconds next() const;
    void exchanged(std::int32_t result);

private:
    std::chrono::milliseconds first_byte_wait_{};
    std::chrono::milliseconds turnaround_allowance_{};
    bool answered_ = false;  // a whole frame came since the open
    bool probe_next_ = false;
};

}  // namespace selmek
