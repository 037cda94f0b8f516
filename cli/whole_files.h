#pragma once

// Files rfcard writes: whole or not at all (a temporary file of its own beside
// the target, then renamed over it), so a crash or a full disk mid-write leaves
// the old file or the new, never half of one. A file that holds keys is the
// user's alone (0600) unless it was there before, whose mode it keeps.

#include <string>
#include <string_view>

namespace rfcard {

enum class Secrecy { Plain, Keys };

// ToolError (kExitBadInput) naming `path` and why, when it could not be written
// at all: a folder, a folder that does not exist or may not be written, a file
// that may not be written. Checked before card work, so that a card is not read
// for nothing.
void check_writable(const std::string &path);

// Writes `content` to `path`. A new file gets 0600 for Secrecy::Keys, else the
// mode the umask leaves; an existing file keeps its mode. A symbolic link is
// followed, a device or pipe written in place. ToolError (kExitBadInput) naming
// the path and the reason when it fails; the old file is then untouched.
void write_whole_file(const std::string &path, std::string_view content, Secrecy secrecy);

}  // namespace rfcard
