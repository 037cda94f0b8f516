#include <cstdlib>

#include "platform/utf16.h"
#include "port_places.h"
#include "port_settings.h"

namespace selmek {

namespace {

// A folder the system names, as the start of a settings path; "" when unnamed.
std::string settings_file_in(const std::string &folder) {
    if (folder.empty()) return {};
    return folder + "\\selmek\\ports.conf";
}

}  // namespace

const char *process_environment(const char *name) {
    // The wide environment, so that a path in any script comes through whole.
    const wchar_t *value = _wgetenv(platform::to_utf16(name).c_str());
    if (value == nullptr) return nullptr;
    thread_local std::string text;
    text = platform::to_utf8(value);
    return text.c_str();
}

std::string machine_config_file(const SettingsSources &sources) {
    return settings_file_in(sources.variable("PROGRAMDATA"));
}

std::string user_config_file(const SettingsSources &sources) {
    return settings_file_in(sources.variable("APPDATA"));
}

// "COM12" is \\.\COM12: the device namespace, which also reaches ports from 10 on.
std::string device_path(const std::string &device) {
    return device.find_first_of("\\/") == std::string::npos ? "\\\\.\\" + device : device;
}

// Port n is COMn.
std::string default_device(int port) { return "\\\\.\\COM" + std::to_string(port); }

}  // namespace selmek
