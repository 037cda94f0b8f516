#pragma once

// Which program holds a port that did not open because it is in use: the words a
// host program adds to the result's meaning (binding::means_port_in_use).

#include <string>

namespace selmek {

// The device port `port` (1 to 16) stands for, found as the transport finds it
// when the port opens (transport/port_settings.h); "" for another number.
std::string port_device(int port);

// "(held by NAME, process PID)" for the program holding `device`, several
// joined by "; " when several do; "" when the system does not tell (another
// user's process seen without root, or a system without /proc).
std::string holder_note(const std::string &device);

}  // namespace selmek
