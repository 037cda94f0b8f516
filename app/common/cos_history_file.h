#pragma once

// The file that keeps a command history between runs. All integers are 4 bytes,
// least significant first: the number of entries, then per entry, oldest first,
// its length and that many characters of text (no terminator).
//
// Reading trusts nothing in the file: a count or a length that runs past the end
// ends the reading with the entries read so far, and an entry that is not a
// command's hex text (an even number of hex digits, at most 502) is skipped.
// Writing goes to a new file that then takes the old one's place, so a write
// that fails leaves the previous history as it was.

#include <filesystem>
#include <istream>
#include <string>

#include "common/cos_history.h"

namespace tilvane {

// The hex text of the longest command a page sends: 251 bytes, what one request
// frame can carry.
inline constexpr std::size_t kMaxCosCommandBytes = 251;
inline constexpr std::size_t kMaxEntryDigits = 2 * kMaxCosCommandBytes;

// True for a text that can stand in a history: an even number of hex digits
// (either case), at most kMaxEntryDigits of them. The empty command counts.
bool IsCosHistoryEntry(const std::string &text);

// The entries of a history file read from `in`, added by the history's rules (so
// equal neighbours collapse and only the newest 201 stay). Never fails: what
// cannot be read is left out.
CosHistory ReadCosHistory(std::istream &in);

// The bytes of the file that holds `history`.
std::string EncodeCosHistory(const CosHistory &history);

// The history in `file`; empty when the file is missing or unreadable.
CosHistory LoadCosHistory(const std::filesystem::path &file);

// Writes `history` to `file`, creating its directory when missing; the old file
// is replaced only by a complete new one. False when that could not be done.
bool SaveCosHistory(const std::filesystem::path &file, const CosHistory &history);

}  // namespace tilvane
