#pragma once

// Which device a port number stands for, how long to wait for the reader's first
// answer byte, how long to allow the reader to turn a probe round (see
// answer_wait.h), and for network lines the allowance added to those waits and
// the bound on connecting (see WaitSettings). For each, the first of these that
// says anything wins:
//   1. the environment: SELMEK_PORT<n>=<device>, SELMEK_TIMEOUT_MS=<ms>,
//      SELMEK_TURNAROUND_MS=<ms>, SELMEK_NETWORK_MS=<ms>, SELMEK_CONNECT_MS=<ms>;
//   2. the user's file: $XDG_CONFIG_HOME/selmek/ports.conf (~/.config/selmek/...
//      when XDG_CONFIG_HOME is unset or not an absolute path); on Windows
//      %APPDATA%\selmek\ports.conf;
//   3. the machine's file: /etc/selmek/ports.conf; on Windows
//      %PROGRAMDATA%\selmek\ports.conf;
//   4. the defaults: port n is /dev/ttyS<n-1> (on Windows \\.\COM<n>), the wait
//      500 ms, the turnaround allowance 50 ms, the network allowance 100 ms,
//      the connect bound 3000 ms.
// A file holds lines "<n>=<device path>", "timeout_ms=<ms>", "turnaround_ms=<ms>",
// "network_ms=<ms>" (0 allowed) and "connect_ms=<ms>"; '#' starts a comment line, blanks around
// keys and values do not count, and a line that says nothing usable is skipped, as is a file that
// cannot be read. A device given as a bare name is one of the system's devices: "ttyUSB0" is
// /dev/ttyUSB0, and on Windows "COM12" is \\.\COM12; a network address (rfc2217://HOST:PORT,
// tcp://HOST:PORT, see network_address.h) is taken as it stands. Where each of these lives is in
// port_places_posix.cpp and port_places_win32.cpp.

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace selmek {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 16;
// A longer wait than ten minutes is taken for a typing error and ignored.
inline constexpr std::chrono::milliseconds kLongestFirstByteWait{600'000};

// What one configuration file says; empty or unset where it says nothing.
struct PortConfig {
    std::array<std::string, kLastPort + 1> devices;  // by port number, [0] unused
    std::optional<std::chrono::milliseconds> first_byte_wait;
    std::optional<std::chrono::milliseconds> turnaround_allowance;
    std::optional<std::chrono::milliseconds> network_allowance;
    std::optional<std::chrono::milliseconds> connect_wait;
};

PortConfig parse_port_config(std::string_view text);

// Where the settings come from: the process environment (UTF-8) and the
// machine's file, unless a test says otherwise.
struct SettingsSources {
    std::function<const char *(const char *)> environment;
    std::string system_file;

    SettingsSources();

    // The variable's value; "" when it is unset.
    std::string variable(const std::string &name) const;
};

// The user's configuration file, or "" when neither XDG_CONFIG_HOME nor HOME
// names a directory for it.
std::string user_config_file(const SettingsSources &sources);

// The device path of port `port` (kFirstPort to kLastPort).
std::string device_for_port(int port, const SettingsSources &sources = SettingsSources());

std::chrono::milliseconds first_byte_wait(const SettingsSources &sources = SettingsSources());

std::chrono::milliseconds turnaround_allowance(const SettingsSources &sources = SettingsSources());

std::chrono::milliseconds network_allowance(const SettingsSources &sources = SettingsSources());

std::chrono::milliseconds connect_wait(const SettingsSources &sources = SettingsSources());

}  // namespace selmek
