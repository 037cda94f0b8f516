#pragma once

// Small files a library keeps for the user between runs, one file per system
// where they differ (user_files_posix.cpp, user_files_win32.cpp). Paths are UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The user's directory for state kept between runs: $XDG_STATE_HOME when it is
// an absolute path, else ~/.local/state; %LOCALAPPDATA% on Windows. "" when the
// environment names none.
std::string user_state_directory();

// Writes `content` to `path` through a temporary file beside it that then takes
// its place, creating the directory first: whoever reads `path` finds the old
// content or the new, never a part of either. Not flushed to the disk: for
// small state whose loss in a crash costs nothing but time. False when it could
// not; the old file then stays as it was and no temporary file is left.
bool write_file_atomically(const std::string &path, std::string_view content);

// The content of `path` when it holds at most `limit` bytes; nothing when it
// cannot be read or is larger.
std::optional<std::string> read_small_file(const std::string &path, std::size_t limit);

}  // namespace platform
