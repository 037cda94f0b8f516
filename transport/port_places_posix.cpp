#include <cstdlib>

#include "port_places.h"
#include "port_settings.h"

namespace selmek {

const char *process_environment(const char *name) { return std::getenv(name); }

std::string machine_config_file(const SettingsSources &) { return "/etc/selmek/ports.conf"; }

std::string user_config_file(const SettingsSources &sources) {
    const std::string xdg = sources.variable("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg.front() == '/') return xdg + "/selmek/ports.conf";
    const std::string home = sources.variable("HOME");
    if (!home.empty()) return home + "/.config/selmek/ports.conf";
    return {};
}

// "ttyUSB0" is /dev/ttyUSB0.
std::string device_path(const std::string &device) {
    return device.find('/') == std::string::npos ? "/dev/" + device : device;
}

// Port 1 is the first built-in serial port.
std::string default_device(int port) { return "/dev/ttyS" + std::to_string(port - 1); }

}  // namespace selmek
