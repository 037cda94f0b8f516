#include "device_name.h"

#include <algorithm>
#include <charconv>

#include "protocol/baud_rates.h"

namespace pcsc {

namespace {

constexpr std::int32_t kSamRates[] = {9600, 38400};

// A number of digits alone; one too large for any rate counts as -1.
std::optional<std::int32_t> parse_number(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return -1;
    return value;
}

bool take_option(std::string_view option, DeviceName &name, std::string &error) {
    constexpr std::string_view kSam = "sam=";
    if (option.substr(0, kSam.size()) == kSam) {
        const auto rate = parse_number(option.substr(kSam.size()));
        if (!rate ||
            std::find(std::begin(kSamRates), std::end(kSamRates), *rate) == std::end(kSamRates)) {
            error = "the SAM rate must be 9600 or 38400: \"" + std::string(option) + "\"";
            return false;
        }
        name.sam_rate = *rate;
        return true;
    }
    error = "unknown option \"" + std::string(option) + "\"";
    return false;
}

}  // namespace

std::optional<DeviceName> parse_device_name(std::string_view text, std::string &error) {
    DeviceName name;
    // Options follow the first comma of the last part of the path.
    const std::size_t last_part = text.rfind('/');
    const std::size_t comma = text.find(',', last_part == std::string_view::npos ? 0 : last_part);
    std::string_view device = text.substr(0, comma);
    if (comma != std::string_view::npos) {
        std::string_view options = text.substr(comma + 1);
        while (true) {
            const std::size_t next = options.find(',');
            if (!take_option(options.substr(0, next), name, error)) return std::nullopt;
            if (next == std::string_view::npos) break;
            options.remove_prefix(next + 1);
        }
    }
    const std::size_t colon = device.rfind(':');
    if (colon != std::string_view::npos &&
        (last_part == std::string_view::npos || colon > last_part)) {
        if (colon + 1 == device.size()) {
            error = "no rate after ':'";
            return std::nullopt;
        }
        if (const auto rate = parse_number(device.substr(colon + 1))) {
            if (protocol::baud_code(*rate) == 0) {
                error = "the reader does not run at " + std::string(device.substr(colon + 1)) +
                        " (9600, 14400, 19200, 28800, 38400, 57600, 115200)";
                return std::nullopt;
            }
            name.rate = *rate;
            device = device.substr(0, colon);
        }
    }
    if (device.empty()) {
        error = "no device path";
        return std::nullopt;
    }
    name.path = std::string(device);
    return name;
}

}  // namespace pcsc
