#pragma once

// Where this system keeps what port_settings.h reads, one file per system:
// port_places_posix.cpp and port_places_win32.cpp.

#include <string>

namespace selmek {

struct SettingsSources;

// The process environment's value of `name` in UTF-8, or null when it is unset.
// The text stays valid until the calling thread asks again.
const char *process_environment(const char *name);

// The machine's settings file, for every user; "" when the system names no place.
std::string machine_config_file(const SettingsSources &sources);

// A device as the settings give it, as a path to open: a bare name stands for one
// of the system's devices, never for a file in whatever directory the program
// happens to run in.
std::string device_path(const std::string &device);

// The device of port `port` when no setting names one.
std::string default_device(int port);

}  // namespace selmek
