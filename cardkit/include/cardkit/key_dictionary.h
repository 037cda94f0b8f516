#pragma once

// Key dictionaries as the common tools keep them (.dic, .keys, the handheld
// tool's dictionary .nfc): one key of 12 hex digits a line; '#' starts a
// comment, blank lines and surrounding spaces are allowed, a byte-order mark
// at the start is passed over. A line that is not one key is skipped with a
// warning naming it, as those tools skip it.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/mifare_layout.h"

namespace cardkit {

struct KeyDictionary {
    std::vector<MifareKey> keys;        // in file order, each once
    std::vector<std::string> warnings;  // "line 7: \"FFFF\" is not a key of 12 hex digits"
};

// FormatError when no line holds a key.
KeyDictionary read_key_dictionary(std::string_view text);
// The keys of read_key_dictionary, its warnings dropped.
std::vector<MifareKey> parse_key_dictionary(std::string_view text);
// One key a line, upper-case.
std::string format_key_dictionary(std::span<const MifareKey> keys);

// Keys that cards commonly ship or are left with (factory, transport and
// published application keys), most common first.
std::span<const MifareKey> default_keys();

}  // namespace cardkit
