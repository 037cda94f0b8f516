#pragma once

// What a processor card's status word (the last two bytes of its answer) means.

#include <cstdint>
#include <string>

namespace rfcard {

// "done", "file or application not found", "wrong length; 8 bytes available", ...
// and, for a word no standard names, the class it falls in.
std::string status_word_meaning(std::uint8_t sw1, std::uint8_t sw2);

}  // namespace rfcard
