#pragma once

// Key dictionaries: one key of 12 hex digits a line; '#' starts a comment, blank
// lines and surrounding spaces are allowed.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/mifare_layout.h"

namespace cardkit {

// The keys in file order, each once. FormatError naming the line for anything
// else on a line.
std::vector<MifareKey> parse_key_dictionary(std::string_view text);
// One key a line, upper-case.
std::string format_key_dictionary(std::span<const MifareKey> keys);

// Keys that cards commonly ship or are left with (factory, transport and
// published application keys), most common first.
std::span<const MifareKey> default_keys();

}  // namespace cardkit
