#include "network_address.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace selmek {

namespace {

constexpr std::string_view kSeparator = "://";
// Longer waits than ten minutes are taken for a typing error.
constexpr long kLongestWaitMs = 600'000;
constexpr long kHighestRate = 4'000'000;
// A DNS name is at most 253 characters.
constexpr std::size_t kLongestHostName = 253;

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A whole decimal number in [low, high], digits only.
std::optional<long> number_in(std::string_view text, long low, long high) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return std::nullopt;
    }
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool is_name_character(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

// Labels of letters, digits, '-' and '_' joined by dots (a dotted IPv4 address
// is one such name).
bool is_host_name(std::string_view host) {
    if (host.empty() || host.size() > kLongestHostName) return false;
    std::size_t label = 0;
    for (const char c : host) {
        if (c == '.') {
            if (label == 0) return false;
            label = 0;
        } else if (is_name_character(c)) {
            ++label;
        } else {
            return false;
        }
    }
    return label > 0;
}

// What may stand between the brackets: hex digits, colons, dots (an embedded
// IPv4 address) and a zone after '%'. The system's own parser has the last word
// when the line resolves it as a number.
bool is_ipv6_literal(std::string_view host) {
    const auto percent = host.find('%');
    const std::string_view address = host.substr(0, percent);
    if (address.find(':') == std::string_view::npos) return false;
    if (!std::all_of(address.begin(), address.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
        })) {
        return false;
    }
    if (percent == std::string_view::npos) return true;
    const std::string_view zone = host.substr(percent + 1);
    return !zone.empty() && std::all_of(zone.begin(), zone.end(), is_name_character);
}

bool take_option(NetworkAddress &address, std::string_view option) {
    const auto equals = option.find('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view name = option.substr(0, equals);
    const std::string_view value = option.substr(equals + 1);
    if (name == "connect_ms") {
        const auto ms = number_in(value, 1, kLongestWaitMs);
        if (!ms || address.connect_wait) return false;
        address.connect_wait = std::chrono::milliseconds(*ms);
    } else if (name == "network_ms") {
        const auto ms = number_in(value, 0, kLongestWaitMs);
        if (!ms || address.network_allowance) return false;
        address.network_allowance = std::chrono::milliseconds(*ms);
    } else if (name == "baud" && address.scheme == NetworkScheme::tcp) {
        const auto rate = number_in(value, 1, kHighestRate);
        if (!rate || address.fixed_rate) return false;
        address.fixed_rate = static_cast<std::int32_t>(*rate);
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool looks_like_network_address(std::string_view device) {
    const auto separator = device.find(kSeparator);
    if (separator == std::string_view::npos || separator == 0) return false;
    const std::string_view scheme = device.substr(0, separator);
    // A scheme is letters, digits, '+', '-' and '.', starting with a letter: a
    // Windows path such as C:\x://y has none.
    return std::isalpha(static_cast<unsigned char>(scheme.front())) != 0 &&
           std::all_of(scheme.begin(), scheme.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' ||
                      c == '.';
           });
}

std::optional<NetworkAddress> parse_network_address(std::string_view device) {
    if (!looks_like_network_address(device)) return std::nullopt;
    const auto separator = device.find(kSeparator);
    const std::string_view scheme = device.substr(0, separator);
    NetworkAddress address;
    if (equal_ignoring_case(scheme, "rfc2217")) {
        address.scheme = NetworkScheme::rfc2217;
    } else if (equal_ignoring_case(scheme, "tcp")) {
        address.scheme = NetworkScheme::tcp;
    } else {
        return std::nullopt;
    }

    std::string_view rest = device.substr(separator + kSeparator.size());
    const auto question = rest.find('?');
    std::string_view options =
        question == std::string_view::npos ? std::string_view() : rest.substr(question + 1);
    const std::string_view host_and_port = rest.substr(0, question);
    if (question != std::string_view::npos && options.empty()) return std::nullopt;

    std::string_view host;
    std::string_view port;
    if (!host_and_port.empty() && host_and_port.front() == '[') {
        const auto close = host_and_port.find(']');
        if (close == std::string_view::npos || close + 1 >= host_and_port.size() ||
            host_and_port[close + 1] != ':') {
            return std::nullopt;
        }
        host = host_and_port.substr(1, close - 1);
        port = host_and_port.substr(close + 2);
        if (!is_ipv6_literal(host)) return std::nullopt;
    } else {
        const auto colon = host_and_port.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        host = host_and_port.substr(0, colon);
        port = host_and_port.substr(colon + 1);
        if (!is_host_name(host)) return std::nullopt;
    }
    const auto number = number_in(port, 1, 65535);
    if (!number) return std::nullopt;
    address.host = std::string(host);
    address.port = static_cast<std::uint16_t>(*number);

    while (!options.empty()) {
        const auto ampersand = options.find('&');
        if (!take_option(address, options.substr(0, ampersand))) return std::nullopt;
        options = ampersand == std::string_view::npos ? std::string_view()
                                                      : options.substr(ampersand + 1);
        if (ampersand != std::string_view::npos && options.empty()) return std::nullopt;
    }
    return address;
}

}  // namespace selmek
