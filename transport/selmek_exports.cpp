// The eight entry points of libSelmek. The one port of the process lives here,
// behind a mutex, so that a call from a second thread waits instead of tangling
// two exchanges on the line. Nothing crosses the C interface as an exception.

#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "answer_wait.h"
#include "exchange.h"
#include "library_lifetime.h"
#include "platform/last_error.h"
#include "port_settings.h"
#include "protocol/frame.h"
#include "selmek.h"
#include "serial_line.h"

namespace {

constexpr std::int32_t kTransportVersion = 1;

struct Port {
    std::mutex mutex;
    selmek::SerialLine line;
    selmek::AnswerWait wait;
};

// Made when the library is loaded and destroyed when it is unloaded, by the
// library's own start and end: a static object would be destroyed by the
// process's exit handlers, before the exit handlers of a host that may still
// call in (and before the reader library's end unloads this one).
Port *g_port = nullptr;

// 0 when the port is open, else the system's code that says why not.
int open_port(std::int32_t number, std::int32_t baud) {
    if (g_port == nullptr) return platform::kErrorNotReady;
    Port &p = *g_port;
    std::lock_guard<std::mutex> lock(p.mutex);
    p.line.close();
    if (number < selmek::kFirstPort || number > selmek::kLastPort || baud <= 0) {
        return platform::kErrorInvalidArgument;
    }
    try {
        const std::string device = selmek::device_for_port(number);
        p.wait.opened(selmek::first_byte_wait(), selmek::turnaround_allowance());
        return p.line.open(device, baud);
    } catch (const std::bad_alloc &) {
        return platform::kErrorNoMemory;
    }
}

}  // namespace

namespace selmek {

void library_start() { g_port = new Port(); }

// The port is closed first, so that its exclusive mode does not outlive the
// process on a device someone else still holds open.
void library_end() {
    Port *const p = std::exchange(g_port, nullptr);
    if (p == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(p->mutex);
        p->line.close();
    }
    delete p;
}

}  // namespace selmek

extern "C" {

SELMEK_API int32_t SELMEK_CALL GetCOMDLLVersion(void) {
    return kTransportVersion;
}

SELMEK_API int32_t SELMEK_CALL OpenComPort(int32_t port_number, int32_t baud) {
    const int why = open_port(port_number, baud);
    if (why == 0) return 1;
    // Set last, after every destructor, so that nothing can overwrite it.
    platform::set_last_error(why);
    return 0;
}

SELMEK_API int32_t SELMEK_CALL CloseComPort(void) {
    if (g_port == nullptr) return 0;
    Port &p = *g_port;
    std::lock_guard<std::mutex> lock(p.mutex);
    p.line.close();
    return 0;
}

SELMEK_API int32_t SELMEK_CALL OpenLPTPort(int32_t) {
    platform::set_last_error(platform::kErrorNotSupported);
    return 0;
}

SELMEK_API int32_t SELMEK_CALL CloseLPTPort(void) {
    return SELMEK_ERR_NOT_SUPPORTED;
}

SELMEK_API int32_t SELMEK_CALL FreeComData(void) {
    return 0;
}

SELMEK_API int32_t SELMEK_CALL SetCommBaud(int32_t baud) {
    if (g_port == nullptr) return SELMEK_ERR_NOT_OPEN;
    Port &p = *g_port;
    std::lock_guard<std::mutex> lock(p.mutex);
    const std::int32_t result = p.line.set_rate(baud);
    if (result == SELMEK_OK) p.wait.rate_changed();
    return result;
}

SELMEK_API int32_t SELMEK_CALL CommunicateRFResult(const uint8_t *request, int32_t request_length,
                                                   uint8_t *response, uint32_t *response_length) {
    if (response_length == nullptr) return SELMEK_ERR_BAD_ARGUMENT;
    *response_length = 0;
    if (request == nullptr || response == nullptr || request_length < 1 ||
        static_cast<std::size_t>(request_length) > protocol::kResponseCapacity) {
        return SELMEK_ERR_BAD_ARGUMENT;
    }
    if (g_port == nullptr) return SELMEK_ERR_NOT_OPEN;
    Port &p = *g_port;
    std::lock_guard<std::mutex> lock(p.mutex);
    const std::int32_t result =
        selmek::exchange_frame(p.line, p.wait.next(), request,
                               static_cast<std::size_t>(request_length), response, response_length);
    p.wait.exchanged(result);
    return result;
}

}  // extern "C"
