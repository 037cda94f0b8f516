#pragma once

// The seven rates the reader runs at, with the code the set-baud command names
// each by. The table's order is the order the auto-baud search tries them in.
// And how long bytes take on the line at a rate.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace protocol {

struct BaudRate {
    std::int32_t rate;  // bits per second
    std::uint8_t code;  // the set-baud command's data byte
};

inline constexpr std::array<BaudRate, 7> kBaudRates = {{
    {9600, 1},
    {14400, 2},
    {19200, 3},
    {28800, 4},
    {38400, 5},
    {57600, 6},
    {115200, 7},
}};

// The code of `rate`; 0 when the reader does not know the rate.
constexpr std::uint8_t baud_code(std::int64_t rate) {
    for (const BaudRate &entry : kBaudRates) {
        if (entry.rate == rate) return entry.code;
    }
    return 0;
}

// The rate of `code`; 0 when no rate has it.
constexpr std::int32_t baud_rate_of(std::uint8_t code) {
    for (const BaudRate &entry : kBaudRates) {
        if (entry.code == code) return entry.rate;
    }
    return 0;
}

// The line runs 8N1: a byte takes ten bit times (start bit, eight data bits, stop
// bit).
inline constexpr int kBitsPerByte = 10;

// How long `count` bytes take on the line at `rate` bits per second, rounded up
// to the nanosecond; zero for a rate that is not positive.
constexpr std::chrono::nanoseconds wire_time(std::size_t count, std::int64_t rate) {
    if (rate <= 0) return {};
    const auto bit_nanoseconds = static_cast<std::int64_t>(count) * kBitsPerByte * 1'000'000'000;
    return std::chrono::nanoseconds((bit_nanoseconds + rate - 1) / rate);
}

}  // namespace protocol
