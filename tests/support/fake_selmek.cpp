#include "fake_selmek.h"

#include <algorithm>
#include <cstring>

#include "platform/last_error.h"
#include "selmek.h"
#include "sim/wire_frame.h"

namespace fake_selmek {

State &state() {
    static State s;
    return s;
}

void reset() { state() = State{}; }

Bytes reader_frame(std::uint8_t status, const Bytes &data, std::uint16_t address,
                   std::uint8_t code) {
    return sim::encode_response(address, code, status, data);
}

void respond(std::uint8_t status, const Bytes &data) {
    state().script.push_back({0, reader_frame(status, data)});
}

void respond_raw(const Bytes &response, std::int32_t result) {
    state().script.push_back({result, response});
}

void fail(std::int32_t result) { state().script.push_back({result, {}}); }

}  // namespace fake_selmek

using fake_selmek::state;

extern "C" {

SELMEK_API int32_t SELMEK_CALL GetCOMDLLVersion(void) { return 1; }

SELMEK_API int32_t SELMEK_CALL OpenComPort(int32_t port, int32_t baud) {
    state().opens.emplace_back(port, baud);
    if (state().open_result == 0) {
        platform::set_last_error(state().open_errno);
        return 0;
    }
    state().current_baud = baud;
    return state().open_result;
}

SELMEK_API int32_t SELMEK_CALL CloseComPort(void) {
    ++state().close_calls;
    return 0;
}

SELMEK_API int32_t SELMEK_CALL OpenLPTPort(int32_t) { return 0; }
SELMEK_API int32_t SELMEK_CALL CloseLPTPort(void) { return 0; }
SELMEK_API int32_t SELMEK_CALL FreeComData(void) { return 0; }

SELMEK_API int32_t SELMEK_CALL SetCommBaud(int32_t baud) {
    auto &s = state();
    s.baud_changes.push_back(baud);
    if (std::find(s.refused_rates.begin(), s.refused_rates.end(), baud) != s.refused_rates.end()) {
        return s.refused_result;
    }
    s.current_baud = baud;
    return 0;
}

SELMEK_API int32_t SELMEK_CALL CommunicateRFResult(const uint8_t *request, int32_t request_length,
                                       uint8_t *response, uint32_t *response_length) {
    auto &s = state();
    s.requests.emplace_back(request, request + request_length);
    if (s.reader_baud != 0 && s.current_baud != s.reader_baud) return s.wrong_rate_result;

    fake_selmek::ScriptedExchange next;
    if (s.script.empty()) {
        next.response = fake_selmek::reader_frame(0, {});
    } else {
        next = s.script.front();
        s.script.pop_front();
    }
    if (!next.response.empty()) std::memcpy(response, next.response.data(), next.response.size());
    *response_length = static_cast<uint32_t>(next.response.size());
    return next.result;
}

}  // extern "C"
