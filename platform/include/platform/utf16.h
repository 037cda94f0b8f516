#pragma once

// Windows only: the system's wide-character interfaces take UTF-16, while the rest
// of the tree keeps text, paths included, in UTF-8.

#include <string>

namespace platform {

// Invalid sequences become U+FFFD rather than cutting the text short.
std::wstring to_utf16(const std::string &utf8);
std::string to_utf8(const std::wstring &utf16);

}  // namespace platform
