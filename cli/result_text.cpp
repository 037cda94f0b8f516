#include "cli/result_text.h"

#include <cstdio>
#include <cstring>

#include "cli/tool_error.h"
#include "protocol/reader_status.h"
#include "selmek_results.h"

namespace rfcard {

namespace {

std::string hex_code(std::int32_t result, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(result));
    return text;
}

std::string transport_meaning(std::int32_t result) {
    switch (result) {
        case DROVIK_ERR_NO_TRANSPORT:
            return "libSelmek.so could not be loaded beside libDrovik.so";
        case SELMEK_ERR_NOT_OPEN:
            return "no port is open";
        case SELMEK_ERR_TIMEOUT:
            return "the reader said nothing within the wait";
        case SELMEK_ERR_INCOMPLETE_FRAME:
            return "the reader's answer stopped half way";
        case SELMEK_ERR_DEVICE_GONE:
            return "the device went away (unplugged?)";
        case SELMEK_ERR_FRAME_TOO_LONG:
            return "the answer was longer than any frame";
        case SELMEK_ERR_WRITE_FAILED:
            return "the request could not be written to the port";
        case SELMEK_ERR_BAD_ARGUMENT:
            return "the transport refused its arguments";
        case SELMEK_ERR_BAD_BAUD:
            return "the port does not take that rate";
        case SELMEK_ERR_IO:
            return "the operating system failed on the port";
        case SELMEK_ERR_BAD_FRAME:
            return "bytes came, but no frame (noise, or the reader at another rate)";
        case SELMEK_ERR_NOT_SUPPORTED:
            return "not supported by the transport";
        case DROVIK_ERR_OPEN_FAILED:
            return "the port did not open, and the system gave no reason";
        default:
            return "unknown transport result";
    }
}

}  // namespace

std::string result_meaning(std::string_view function, std::int32_t result) {
    if (result == 0) return "done";
    if (result == 1) {
        return "the library refused an argument, or the answer did not carry the data "
               "expected";
    }
    if (result >= 0x100) return "transport: " + transport_meaning(result);
    if (result < 0) return "unknown result";
    // rf_init_com passes on the system's reason when the port does not open.
    if (function == "rf_init_com") {
        return "the port did not open: " + std::string(std::strerror(result));
    }
    const auto status = static_cast<protocol::ReaderStatus>(result);
    for (const protocol::ReaderStatus known : protocol::kReaderStatuses) {
        if (known == status) {
            return "reader status " + hex_code(result, 2) + ": " +
                   std::string(protocol::status_name(status));
        }
    }
    return "reader status " + hex_code(result, 2) + ", which the reader does not document";
}

ReaderError::ReaderError(std::string function, std::int32_t result, const std::string &context)
    : ToolError(kExitReaderFailed, (context.empty() ? "" : context + ": ") + function +
                                       " returned " + std::to_string(result) +
                                       (result > 9 ? " (0x" + hex_code(result, 2) + ")" : "") +
                                       ", " + result_meaning(function, result)),
      function_(std::move(function)),
      result_(result),
      meaning_(result_meaning(function_, result)) {}

}  // namespace rfcard
