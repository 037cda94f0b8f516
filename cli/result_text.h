#pragma once

// What a library function's result means, in words an operator can act on.

#include <cstdint>
#include <string>
#include <string_view>

namespace rfcard {

// "reader status 04: authentication failed", "transport: the reader said nothing
// within the wait (0x102)", and for rf_init_com the reason the port did not open.
std::string result_meaning(std::string_view function, std::int32_t result);

}  // namespace rfcard
