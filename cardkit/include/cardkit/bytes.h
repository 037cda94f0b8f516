#pragma once

// Card data as bytes and as the hex text that dump files and operators use.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cardkit {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// A file or text that cannot be read as what it claims to be. The message says
// where and why, ready to show to the operator.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// 0 to 15 for a hex digit of either case, nullopt for any other character.
std::optional<std::uint8_t> hex_digit_value(char c);

// Two upper-case digits a byte, `separator` between bytes unless it is '\0'.
std::string to_hex(ByteView bytes, char separator = '\0');

// "1, 4-7, 9" for a sorted list of numbers (block, page or sector numbers), runs
// of consecutive ones joined; `separator` between the parts.
std::string number_ranges(const std::vector<int> &numbers, std::string_view separator = ", ");

// The bytes of a text made only of hex digits, two a byte. Nothing is skipped:
// an odd count or any other character (a space too) gives nullopt.
std::optional<Bytes> parse_hex(std::string_view text);

}  // namespace cardkit
