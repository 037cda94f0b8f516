#include "binding/result_meaning.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "protocol/reader_status.h"
#include "selmek_results.h"

namespace binding {

namespace {

constexpr std::array<KnownResult, 16> kTransportResults = {{
#if defined(_WIN32)
    {DROVIK_ERR_NO_TRANSPORT, "DROVIK_ERR_NO_TRANSPORT",
     "Selmek.dll could not be loaded beside Drovik.dll"},
#else
    {DROVIK_ERR_NO_TRANSPORT, "DROVIK_ERR_NO_TRANSPORT",
     "libSelmek.so could not be loaded beside libDrovik.so"},
#endif
    {SELMEK_ERR_NOT_OPEN, "SELMEK_ERR_NOT_OPEN", "no port is open"},
    {SELMEK_ERR_TIMEOUT, "SELMEK_ERR_TIMEOUT", "the reader said nothing within the wait"},
    {SELMEK_ERR_INCOMPLETE_FRAME, "SELMEK_ERR_INCOMPLETE_FRAME",
     "the reader's answer stopped half way"},
    {SELMEK_ERR_DEVICE_GONE, "SELMEK_ERR_DEVICE_GONE", "the device went away (unplugged?)"},
    {SELMEK_ERR_FRAME_TOO_LONG, "SELMEK_ERR_FRAME_TOO_LONG",
     "the answer was longer than any frame"},
    {SELMEK_ERR_WRITE_FAILED, "SELMEK_ERR_WRITE_FAILED",
     "the request could not be written to the port"},
    {SELMEK_ERR_BAD_ARGUMENT, "SELMEK_ERR_BAD_ARGUMENT", "the transport refused its arguments"},
    {SELMEK_ERR_BAD_BAUD, "SELMEK_ERR_BAD_BAUD", "the port does not take that rate"},
    {SELMEK_ERR_IO, "SELMEK_ERR_IO", "the operating system failed on the port"},
    {SELMEK_ERR_BAD_FRAME, "SELMEK_ERR_BAD_FRAME",
     "bytes came, but no frame (noise, or the reader at another rate)"},
    {SELMEK_ERR_NOT_SUPPORTED, "SELMEK_ERR_NOT_SUPPORTED", "not supported by the transport"},
    {SELMEK_ERR_RATE_FIXED, "SELMEK_ERR_RATE_FIXED",
     "the network port's server runs its line at a fixed rate"},
    {SELMEK_ERR_BAD_ADDRESS, "SELMEK_ERR_BAD_ADDRESS",
     "the port's network address is malformed (scheme, host, port or option)"},
    {SELMEK_ERR_UNKNOWN_HOST, "SELMEK_ERR_UNKNOWN_HOST",
     "the host name of the port's network address does not resolve"},
    {DROVIK_ERR_OPEN_FAILED, "DROVIK_ERR_OPEN_FAILED",
     "the port did not open, and the system gave no reason"},
}};
constexpr std::string_view kUnknownTransportResult = "unknown transport result";

// The system's reasons a port did not open that have words of their own: the
// system's text for a port another program holds ("Device or resource busy",
// "Access is denied") sends the user looking in the wrong place.
constexpr std::array<KnownResult, 1> kPortOpenReasons = {{
#if defined(_WIN32)
    {5, "ERROR_ACCESS_DENIED", "the port is in use by another program"},
#else
    {EBUSY, "EBUSY", "the port is in use by another program"},
#endif
}};

constexpr std::array<KnownResult, 6> kSelectSteps = {{
    {-1, "no ATQA", "no card answered two requests"},
    {-2, "anticollision failed", "the anticollision failed"},
    {-3, "UID not 4 bytes", "the anticollision gave a UID that is not 4 bytes"},
    {-4, "select failed", "the select failed"},
    {-5, "Ultralight select failed", "the Ultralight select failed"},
    {-6, "UID not 7 bytes", "the Ultralight select gave a UID that is not 7 bytes"},
}};

std::string hex_code(std::int32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

const KnownResult *find(std::span<const KnownResult> table, std::int32_t code) {
    for (const KnownResult &known : table) {
        if (known.code == code) return &known;
    }
    return nullptr;
}

std::string system_error_name(int code) {
#if defined(__GLIBC__)
    if (const char *name = strerrorname_np(code)) return name;
#endif
    return "error " + std::to_string(code);
}

ResultMeaning transport_meaning(std::int32_t result) {
    if (const KnownResult *known = find(kTransportResults, result)) {
        return {ResultClass::Transport, std::string(known->name),
                "transport: " + std::string(known->text)};
    }
    return {ResultClass::Transport, "0x" + hex_code(result, 3),
            "transport: " + std::string(kUnknownTransportResult)};
}

ResultMeaning status_meaning(std::int32_t result) {
    const auto status = static_cast<protocol::ReaderStatus>(result);
    for (const protocol::ReaderStatus known : protocol::kReaderStatuses) {
        if (known == status) {
            const std::string name(protocol::status_name(status));
            return {ResultClass::ReaderStatus, name,
                    "reader status " + hex_code(result, 2) + ": " + name};
        }
    }
    return {ResultClass::ReaderStatus, "status " + hex_code(result, 2),
            "reader status " + hex_code(result, 2) + ", which the reader does not document"};
}

}  // namespace

ResultMeaning result_meaning(std::string_view function, std::int32_t result) {
    if (result == 0) return {ResultClass::Done, "done", "done"};
    if (result == 1) {
        return {ResultClass::RefusedArgument, "refused",
                "the library refused an argument, or the answer did not carry the data "
                "expected"};
    }
    if (result >= 0x100 && result <= 0x1FF) return transport_meaning(result);
    if (result < 0) {
        if (function == "rf_getlockcardinfo") {
            if (const KnownResult *step = find(kSelectSteps, result)) {
                return {ResultClass::SelectStep, std::string(step->name), std::string(step->text)};
            }
        }
        return {ResultClass::Unknown, "unknown", "unknown result"};
    }
    if (result > 0xFF) return {ResultClass::Unknown, "unknown", "unknown result"};
    // rf_init_com passes on the system's reason when the port does not open.
    if (function == "rf_init_com") {
        if (const KnownResult *reason = find(kPortOpenReasons, result)) {
            return {ResultClass::SystemError, std::string(reason->name),
                    std::string(reason->text)};
        }
        return {ResultClass::SystemError, system_error_name(result),
                "the port did not open: " + std::string(std::strerror(result))};
    }
    return status_meaning(result);
}

std::string describe_call(std::string_view function, std::int32_t result) {
    return std::string(function) + " returned " + std::to_string(result) +
           (result > 9 ? " (0x" + hex_code(result, 2) + ")" : "") + ", " +
           result_meaning(function, result).text;
}

std::span<const KnownResult> transport_results() { return kTransportResults; }

std::span<const KnownResult> select_steps() { return kSelectSteps; }

std::span<const KnownResult> port_open_reasons() { return kPortOpenReasons; }

bool means_port_in_use(std::string_view function, std::int32_t result) {
    return function == "rf_init_com" && result == kPortOpenReasons[0].code;
}

std::string_view class_name(ResultClass kind) {
    switch (kind) {
        case ResultClass::Done:
            return "done";
        case ResultClass::RefusedArgument:
            return "refused-argument";
        case ResultClass::ReaderStatus:
            return "reader-status";
        case ResultClass::SystemError:
            return "system-error";
        case ResultClass::Transport:
            return "transport";
        case ResultClass::SelectStep:
            return "select-step";
        case ResultClass::Unknown:
            return "unknown";
    }
    return "unknown";
}

}  // namespace binding
