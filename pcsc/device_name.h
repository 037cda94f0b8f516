#pragma once

// What reader.conf's DEVICENAME says about a reader:
//
//   PATH[:RATE][,sam=SAMRATE]
//
// PATH is the serial device (/dev/ttyUSB0, /dev/serial/by-id/...); RATE one of the
// reader's seven rates, at which the reader is then put (without it the driver
// finds the rate the reader runs at and leaves it there); SAMRATE 9600 (the
// default) or 38400, the rate the SAM slot is reset at. A ':' followed by digits
// at the end of the path's last part is a rate, so device names with colons
// elsewhere (by-path names) stay whole.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pcsc {

struct DeviceName {
    std::string path;
    std::optional<std::int32_t> rate;
    std::int32_t sam_rate = 9600;
};

// The parts of `text`, or nullopt with `error` saying what is wrong.
std::optional<DeviceName> parse_device_name(std::string_view text, std::string &error);

}  // namespace pcsc
