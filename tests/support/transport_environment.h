#pragma once

// Points the real transport at a device, through the environment it reads when a
// port is opened.

#include <chrono>
#include <cstdlib>
#include <string>

namespace test_support {

// Port `port` stands for `device`.
inline void use_device(int port, const std::string &device) {
    setenv(("SELMEK_PORT" + std::to_string(port)).c_str(), device.c_str(), 1);
}

// How long the transport waits for a reader's first answer byte, probes included:
// a test that pins a wait, or that runs the auto-baud search against a reader
// busy on a loaded machine, gets that wait at every exchange.
inline void use_first_byte_wait(std::chrono::milliseconds wait) {
    setenv("SELMEK_TIMEOUT_MS", std::to_string(wait.count()).c_str(), 1);
    setenv("SELMEK_TURNAROUND_MS", std::to_string(wait.count()).c_str(), 1);
}

// The transport's waits: `first_byte_wait` for every exchange but a probe, which
// waits `turnaround` (see transport/answer_wait.h).
inline void use_waits(std::chrono::milliseconds first_byte_wait,
                      std::chrono::milliseconds turnaround) {
    setenv("SELMEK_TIMEOUT_MS", std::to_string(first_byte_wait.count()).c_str(), 1);
    setenv("SELMEK_TURNAROUND_MS", std::to_string(turnaround.count()).c_str(), 1);
}

}  // namespace test_support
