#include "port_settings.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "network_address.h"
#include "port_places.h"
#include "transport/port_session.h"

namespace selmek {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A whole decimal number in [low, high], or nothing.
std::optional<long> number_in(std::string_view text, long low, long high) {
    long value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<std::chrono::milliseconds> wait_from(std::string_view text, long shortest = 1) {
    const auto value = number_in(trimmed(text), shortest, kLongestFirstByteWait.count());
    if (!value) return std::nullopt;
    return std::chrono::milliseconds(*value);
}

PortConfig read_config_file(const std::string &path) {
    if (path.empty()) return {};
    // The path is UTF-8; on Windows a narrow path would be read in the ANSI code page.
    std::ifstream file(std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t *>(path.data()), path.size())));
    if (!file) return {};
    std::ostringstream text;
    text << file.rdbuf();
    return parse_port_config(text.str());
}

}  // namespace

PortConfig parse_port_config(std::string_view text) {
    PortConfig config;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line =
            trimmed(text.substr(0, end == std::string_view::npos ? text.size() : end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        const auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "timeout_ms") {
            if (const auto wait = wait_from(value)) config.first_byte_wait = wait;
        } else if (key == "turnaround_ms") {
            if (const auto wait = wait_from(value)) config.turnaround_allowance = wait;
        } else if (key == "network_ms") {
            if (const auto wait = wait_from(value, 0)) config.network_allowance = wait;
        } else if (key == "connect_ms") {
            if (const auto wait = wait_from(value)) config.connect_wait = wait;
        } else if (const auto port = number_in(key, kFirstPort, kLastPort);
                   port && !value.empty()) {
            config.devices[static_cast<std::size_t>(*port)] = std::string(value);
        }
    }
    return config;
}

SettingsSources::SettingsSources()
    : environment(process_environment), system_file(machine_config_file(*this)) {}

std::string SettingsSources::variable(const std::string &name) const {
    const char *value = environment ? environment(name.c_str()) : nullptr;
    return value != nullptr ? value : "";
}

namespace {

// A network address as it stands; anything else as the system's device.
std::string device_named(const std::string &device) {
    return looks_like_network_address(device) ? device : device_path(device);
}

}  // namespace

std::string device_for_port(int port, const SettingsSources &sources) {
    const std::string from_environment = sources.variable("SELMEK_PORT" + std::to_string(port));
    if (!from_environment.empty()) return device_named(from_environment);

    if (port >= kFirstPort && port <= kLastPort) {
        const auto index = static_cast<std::size_t>(port);
        for (const std::string &file : {user_config_file(sources), sources.system_file}) {
            const PortConfig config = read_config_file(file);
            if (!config.devices[index].empty()) return device_named(config.devices[index]);
        }
    }
    return default_device(port);
}

namespace {

// A wait from the environment variable `name`, else the files' `setting`, else
// `otherwise`.
std::chrono::milliseconds wait_setting(
    const SettingsSources &sources, const char *name,
    std::optional<std::chrono::milliseconds> PortConfig::*setting,
    std::chrono::milliseconds otherwise, long shortest = 1) {
    if (const auto wait = wait_from(sources.variable(name), shortest)) return *wait;
    for (const std::string &file : {user_config_file(sources), sources.system_file}) {
        if (const auto wait = read_config_file(file).*setting) return *wait;
    }
    return otherwise;
}

}  // namespace

std::chrono::milliseconds first_byte_wait(const SettingsSources &sources) {
    return wait_setting(sources, "SELMEK_TIMEOUT_MS", &PortConfig::first_byte_wait,
                        WaitSettings{}.first_byte_wait);
}

std::chrono::milliseconds turnaround_allowance(const SettingsSources &sources) {
    return wait_setting(sources, "SELMEK_TURNAROUND_MS", &PortConfig::turnaround_allowance,
                        WaitSettings{}.turnaround_allowance);
}

std::chrono::milliseconds network_allowance(const SettingsSources &sources) {
    return wait_setting(sources, "SELMEK_NETWORK_MS", &PortConfig::network_allowance,
                        WaitSettings{}.network_allowance, 0);
}

std::chrono::milliseconds connect_wait(const SettingsSources &sources) {
    return wait_setting(sources, "SELMEK_CONNECT_MS", &PortConfig::connect_wait,
                        WaitSettings{}.connect_wait);
}

}  // namespace selmek
