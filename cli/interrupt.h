#pragma once

// Ctrl-C: the flag card work reads before each exchange, set by the handler.

#include <atomic>

namespace rfcard {

// Installs the SIGINT handler that sets the flag.
void stop_on_interrupt();
const std::atomic<bool> &interrupt_flag();

}  // namespace rfcard
