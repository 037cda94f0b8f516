#pragma once

// Small text helpers shared by the text formats.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cardkit {

// The lines of a text without their ends (LF or CR LF); a last line without an
// end counts, an empty text has none.
std::vector<std::string_view> split_lines(std::string_view text);

// Without leading and trailing spaces, tabs and carriage returns.
std::string_view trim(std::string_view text);

std::string ascii_lower(std::string_view text);

// A decimal number without sign or spaces, at most `limit`; nullopt otherwise.
std::optional<int> parse_decimal(std::string_view text, int limit);

// "line 7: " for messages about a text file.
std::string line_prefix(std::size_t line_index);

}  // namespace cardkit
