#pragma once

#include <cstdint>

// The two values the library keeps for the whole process. The version is set at
// start, before any call can come; the last status may be read from any thread.
namespace drovik {

inline constexpr std::uint32_t kLibraryVersion = 2;

// 0 until the library has started, then kLibraryVersion.
std::uint32_t library_version();
void set_library_version(std::uint32_t version);

// Status byte of the most recently finished command frame (0 after load), set
// where a command finishes (see finish_command).
std::uint32_t last_status();
void set_last_status(std::uint32_t status);

}  // namespace drovik
