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

// How long the transport waits for a reader's first answer byte.
inline void use_first_byte_wait(std::chrono::milliseconds wait) {
    setenv("SELMEK_TIMEOUT_MS", std::to_string(wait.count()).c_str(), 1);
}

}  // namespace test_support
