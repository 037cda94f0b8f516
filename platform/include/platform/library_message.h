#pragma once

namespace platform {

// Shows a message of a library to the person at the machine. A library has no
// window of its own, so on Linux the text goes to standard error, one line.
void show_library_message(const char *text);

}  // namespace platform
