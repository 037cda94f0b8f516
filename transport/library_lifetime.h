#pragma once

// The transport's one port session lives from the library's start to its end,
// which the system's load and unload notifications call
// (selmek_lifecycle_posix.cpp, selmek_lifecycle_win32.cpp).
namespace selmek {

void library_start();
// Closes the port, if open, and frees it.
void library_end();

}  // namespace selmek
