#pragma once

// Ctrl-C: the flag card work reads before each exchange, set by the handler.

#include <atomic>

namespace rfcard {

// Installs the SIGINT handler that sets the flag.
void stop_on_interrupt();
const std::atomic<bool> &interrupt_flag();

// For work with a clean place to stop of its own (a batch, after the card in
// hand): from now on the first Ctrl-C sets only finish_flag(), the second sets
// the interrupt flag as well, which stops card work before its next exchange.
void finish_before_interrupting();
const std::atomic<bool> &finish_flag();

}  // namespace rfcard
