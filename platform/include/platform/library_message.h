#pragma once

namespace platform {

// Shows a message of a library to the person at the machine, and returns at once:
// it may be called while the system loads the library. On Linux, and on Windows
// in a program with a standard error stream (a console program), the text goes
// there as one line. A Windows program without one (a GUI program) gets a message
// box with an OK button, shown by a thread of its own once loading is over; that
// thread keeps the library loaded until the box is closed.
void show_library_message(const char *text);

}  // namespace platform
