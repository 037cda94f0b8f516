#pragma once

// Byte strings written as hex in the tests' tables.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pcsc_test {

// "3B8F80" or "3B 8F 80" as bytes; anything but hex digits is skipped.
inline std::vector<std::uint8_t> bytes_of(const std::string &text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

inline std::string hex_of(const std::vector<std::uint8_t> &bytes) {
    std::string text;
    char digits[3];
    for (std::uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += digits;
    }
    return text;
}

}  // namespace pcsc_test
