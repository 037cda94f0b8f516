#pragma once

namespace platform {

// Blocks the calling thread for the given number of milliseconds.
void sleep_ms(unsigned milliseconds);

}  // namespace platform
