#pragma once

// The line settings of a terminal device as the reader sees them: its speed in
// bits per second, read and set through termios2 so that every rate (14400 and
// 28800 have no Bxxx constant) comes through exactly.

#include <optional>

namespace sim {

// The output speed set on the terminal `fd`; nullopt when it cannot be read.
std::optional<unsigned> read_line_speed(int fd);

// Puts the terminal `fd` in raw mode, 8N1, at `rate`. False on failure (errno set).
bool set_raw_line(int fd, unsigned rate);

}  // namespace sim
