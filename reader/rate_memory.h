#pragma once

// The rate the reader on a port was last found at, kept between runs so that
// rf_init_com's search tries it first: over a network every wrong probe costs a
// round trip, and a reader that kept its rate is then found by one probe.
//
// Kept per port number, the name the caller gives the port: the library knows
// no more (the transport alone turns the number into a device). A port moved to
// another reader costs one wrong probe, once; the memory is only ever a hint.
// One small file per port, <state>/drovik/port<N>.rate holding the rate in
// decimal, where <state> is the user's state directory
// (platform::user_state_directory()); written through a temporary file that
// then takes its place; a file that is damaged, or names a rate the reader does
// not know, counts as none.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace drovik {

// The rate `text` names, when it is one of the reader's seven.
std::optional<std::int32_t> parse_remembered_rate(std::string_view text);

// The file of port `port`; "" when the user has no state directory.
std::string rate_memory_file(int port);

std::optional<std::int32_t> remembered_rate(int port);
// Failures to write are ignored: the next search costs a few probes more.
void remember_rate(int port, std::int32_t rate);

}  // namespace drovik
