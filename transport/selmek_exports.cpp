// The eight entry points of libSelmek, over the one port of the process: a
// session (port_session.h), whose lock makes a call from a second thread wait
// instead of tangling two exchanges on the line. Port numbers, devices and waits
// come from port_settings.h when a port opens. Nothing crosses the C interface as
// an exception.

#include <new>
#include <string>
#include <utility>

#include "exchange.h"
#include "library_lifetime.h"
#include "platform/last_error.h"
#include "port_settings.h"
#include "selmek.h"
#include "transport/port_session.h"

namespace {

constexpr std::int32_t kTransportVersion = 1;

// Made when the library is loaded and destroyed when it is unloaded, by the
// library's own start and end: a static object would be destroyed by the
// process's exit handlers, before the exit handlers of a host that may still
// call in (and before the reader library's end unloads this one).
selmek::PortSession *g_session = nullptr;

// 0 when the port is open, else the system's code that says why not. After a
// failure no port is open.
int open_port(std::int32_t number, std::int32_t baud) {
    if (g_session == nullptr) return platform::kErrorNotReady;
    selmek::PortSession &session = *g_session;
    if (number < selmek::kFirstPort || number > selmek::kLastPort || baud <= 0) {
        session.close();
        return platform::kErrorInvalidArgument;
    }
    std::string device;
    selmek::WaitSettings waits;
    try {
        device = selmek::device_for_port(number);
        waits.first_byte_wait = selmek::first_byte_wait();
        waits.turnaround_allowance = selmek::turnaround_allowance();
        waits.network_allowance = selmek::network_allowance();
        waits.connect_wait = selmek::connect_wait();
    } catch (const std::bad_alloc &) {
        session.close();
        return platform::kErrorNoMemory;
    }
    return session.open(device, baud, waits);
}

}  // namespace

namespace selmek {

void library_start() { g_session = new PortSession(); }

// The session closes its port as it goes, so that the port's exclusive mode does
// not outlive the process on a device someone else still holds open.
void library_end() { delete std::exchange(g_session, nullptr); }

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
    if (g_session != nullptr) g_session->close();
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
    if (g_session == nullptr) return SELMEK_ERR_NOT_OPEN;
    return g_session->set_rate(baud);
}

SELMEK_API int32_t SELMEK_CALL CommunicateRFResult(const uint8_t *request, int32_t request_length,
                                                   uint8_t *response, uint32_t *response_length) {
    // A length below 1 is as far out of range as one above the capacity.
    const std::size_t length = request_length < 1 ? 0 : static_cast<std::size_t>(request_length);
    if (g_session != nullptr) {
        return g_session->exchange(request, length, response, response_length);
    }
    // The library has ended: no port, whatever a late caller asks.
    const std::int32_t accepted =
        selmek::accept_exchange_arguments(request, length, response, response_length);
    return accepted != SELMEK_OK ? accepted : SELMEK_ERR_NOT_OPEN;
}

}  // extern "C"
