// Port and device commands: open and close the port, the reader's own address,
// model, serial number, buzzer, light, display and flash memory.

#include <array>
#include <cstdlib>
#include <new>

#include "command_execution.h"
#include "drovik.h"
#include "library_state.h"
#include "platform/last_error.h"
#include "protocol/baud_rates.h"
#include "protocol/frame.h"
#include "rate_memory.h"
#include "transport_binding.h"

namespace {

using drovik::Reply;
using drovik::RequestData;
using protocol::Command;

// The rates the search tries, each once: the one the reader was last found at on
// `port`, then `baud` (the port is open at it), then the others in the table's
// order.
struct SearchOrder {
    std::array<std::int32_t, protocol::kBaudRates.size() + 1> rates{};
    std::size_t count = 0;

    void add(std::int32_t rate) {
        for (std::size_t i = 0; i < count; ++i) {
            if (rates[i] == rate) return;
        }
        rates[count++] = rate;
    }
};

SearchOrder search_order(std::int32_t port, std::int32_t baud) {
    SearchOrder order;
    try {
        if (const auto remembered = drovik::remembered_rate(port)) order.add(*remembered);
    } catch (const std::bad_alloc &) {
        // No memory to spare: the search goes without the hint.
    }
    order.add(baud);
    for (const protocol::BaudRate &entry : protocol::kBaudRates) order.add(entry.rate);
    return order;
}

// Sends the set-baud frame (to `baud`) at each rate of the search order until the
// reader answers; the reader then runs at `baud`, and the port follows it. A
// rate the port cannot be set to is passed over without a probe. At `baud` any
// answer counts (the reader is at the rate asked for, whatever it says); at any
// other rate only an acknowledgement, after which the port moves to `baud`. The
// rate found is remembered for the port. The result of rf_init_com.
std::int32_t set_reader_rate(const drovik::TransportEntryPoints &transport,
                             drovik::CommandFrame &frame, std::int32_t port, std::int32_t baud) {
    const SearchOrder order = search_order(port, baud);
    std::int32_t line_rate = baud;
    std::int32_t result = 0;
    for (std::size_t i = 0; i < order.count; ++i) {
        const std::int32_t rate = order.rates[i];
        if (rate != line_rate) {
            result = transport.SetCommBaud(rate);
            if (result != 0) continue;
            line_rate = rate;
        }
        frame.reset_response();
        result = drovik::exchange(frame);
        if (result != 0) continue;
        if (rate != baud) {
            frame.unescape_response();
            result = drovik::response_result(frame.response());
            if (result != 0) continue;
            result = transport.SetCommBaud(baud);
            // The reader runs at `baud` now; a port that cannot follow it must
            // not pass for connected.
            if (result != 0) return result;
        }
        try {
            drovik::remember_rate(port, baud);
        } catch (const std::bad_alloc &) {
            // Only the hint for the next search is lost.
        }
        return 0;
    }
    return result;
}

// Digit patterns of the display, segments a to g in bits 6 to 0; 10 is blank.
constexpr std::array<std::uint8_t, 11> kSevenSegment = {0x7E, 0x30, 0x6D, 0x79, 0x33, 0x5B,
                                                        0x5F, 0x70, 0x7F, 0x7B, 0x00};
constexpr std::uint8_t kDecimalPoint = 0x80;
constexpr int kFlashPageSize = 256;
constexpr int kFlashWriteMax = 224;
constexpr int kFlashReadMax = 200;

using drovik::low_byte;

}  // namespace

extern "C" {

DROVIK_API int32_t DROVIK_CALL lib_ver(uint32_t *version) {
    if (version == nullptr) return 1;
    *version = drovik::library_version();
    return 0;
}

DROVIK_API int32_t DROVIK_CALL rf_init_com(int32_t port, int32_t baud) {
    if (port < 1 || port > 16) return 1;
    if (baud == 0) baud = 9600;
    if (!drovik::transport_ready()) return DROVIK_ERR_NO_TRANSPORT;
    const drovik::TransportEntryPoints &transport = drovik::current_transport()->entry();

    const std::uint8_t code = protocol::baud_code(baud);
    if (transport.OpenComPort(port, baud) == 0) {
        // A rate the reader does not know is the caller's mistake, whatever the
        // transport made of it (it refuses a rate that is not positive).
        if (code == 0) return 1;
        const int why = platform::last_error();
        return why != 0 ? why : DROVIK_ERR_OPEN_FAILED;
    }
    if (code == 0) return 1;  // the port stays open at that rate

    const std::uint8_t data[] = {code};
    drovik::CommandFrame frame(0, protocol::code_of(Command::SetBaud), data);
    return drovik::finish_command(frame, set_reader_rate(transport, frame, port, baud));
}

DROVIK_API int32_t DROVIK_CALL rf_init_device_number(int32_t new_address) {
    return drovik::run_command(protocol::kBroadcastAddress, Command::SetAddress,
                               RequestData().byte(new_address).byte(new_address >> 8));
}

DROVIK_API int32_t DROVIK_CALL rf_get_device_number(uint16_t *address) {
    return drovik::run_command(protocol::kBroadcastAddress, Command::GetAddress, RequestData(),
                               Reply::reader_address(address));
}

DROVIK_API int32_t DROVIK_CALL rf_get_model(int32_t address, uint8_t *model) {
    return drovik::run_command(address, Command::GetModel, RequestData(), Reply::fixed(model, 2));
}

DROVIK_API int32_t DROVIK_CALL rf_get_snr(int32_t address, uint8_t *serial) {
    return drovik::run_command(address, Command::GetSerialNumber, RequestData(),
                               Reply::fixed(serial, 8));
}

DROVIK_API int32_t DROVIK_CALL rf_beep(int32_t address, int32_t time) {
    return drovik::run_command(address, Command::Beep, RequestData().byte(time));
}

DROVIK_API int32_t DROVIK_CALL rf_light(int32_t address, int32_t colour) {
    return drovik::run_command(address, Command::Light, RequestData().byte(colour));
}

DROVIK_API void DROVIK_CALL rf_free(void *pointer) { std::free(pointer); }

DROVIK_API int32_t DROVIK_CALL rf_ClosePort(void) {
    if (drovik::transport_ready()) drovik::current_transport()->entry().CloseComPort();
    return 0;
}

DROVIK_API int32_t DROVIK_CALL rf_GetErrorMessage(void) {
    return static_cast<int32_t>(drovik::last_status());
}

DROVIK_API int32_t DROVIK_CALL rf_display(int32_t address, int32_t mode, int32_t point,
                                          const uint8_t *digits) {
    if (digits == nullptr) return 1;
    std::array<std::uint8_t, 8> shown{};
    for (std::size_t i = 0; i < shown.size(); ++i) shown[i] = digits[i];
    if (low_byte(mode) != 0) {
        for (std::uint8_t &digit : shown) {
            if (digit >= kSevenSegment.size()) return 1;
            digit = kSevenSegment[digit];
        }
        const int position = low_byte(point);
        if (position > 8) return 1;
        if (position > 0) shown[position - 1] |= kDecimalPoint;
    }
    return drovik::run_command(address, Command::Display,
                               RequestData().bytes(shown.data(), shown.size()), Reply::forbidden());
}

DROVIK_API int32_t DROVIK_CALL rf_flash_write(int32_t address, int32_t page, int32_t offset,
                                              int32_t count, const uint8_t *data) {
    const int start = low_byte(offset);
    const int size = low_byte(count);
    if (start + size > kFlashPageSize || size > kFlashWriteMax) return 1;
    return drovik::run_command(
        address, Command::FlashWrite,
        RequestData().byte(page >> 8).byte(page).byte(start).byte(size).bytes(
            data, static_cast<std::size_t>(size)),
        Reply::forbidden());
}

DROVIK_API int32_t DROVIK_CALL rf_flash_read(int32_t address, int32_t page, int32_t offset,
                                             int32_t count, uint8_t *data) {
    const int start = low_byte(offset);
    const int size = low_byte(count);
    if (start + size > kFlashPageSize || size > kFlashReadMax) return 1;
    return drovik::run_command(address, Command::FlashRead,
                               RequestData().byte(page >> 8).byte(page).byte(start).byte(size),
                               Reply::fixed(data, static_cast<std::size_t>(size)));
}

}  // extern "C"
