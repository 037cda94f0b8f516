#pragma once

// A stand-in for the serial transport, built as libSelmek.so into a directory of
// its own beside a copy of libDrovik.so. It records every request frame and plays
// back scripted responses. Tests link it, so they and the library that loads it
// share the one instance.

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace fake_selmek {

using Bytes = std::vector<std::uint8_t>;

struct ScriptedExchange {
    std::int32_t result = 0;  // what CommunicateRFResult returns
    Bytes response;           // written to the response buffer as it stands
};

struct State {
    // Scripted answers, consumed one per exchange. When none is left an exchange
    // answers with status 0 and no data.
    std::deque<ScriptedExchange> script;
    // Every request frame, as received (escaped).
    std::vector<Bytes> requests;

    // OpenComPort: its result and the errno it leaves on failure.
    std::int32_t open_result = 1;
    int open_errno = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> opens;  // (port, baud)
    int close_calls = 0;

    // The rate the port is at, and every SetCommBaud call in order; the rates it
    // refuses with `refused_result`, keeping its rate.
    std::int32_t current_baud = 0;
    std::vector<std::int32_t> baud_changes;
    std::vector<std::int32_t> refused_rates;
    std::int32_t refused_result = 0x108;
    // When nonzero, exchanges succeed only at this rate; at any other rate they
    // fail with `wrong_rate_result` (the request is still recorded).
    std::int32_t reader_baud = 0;
    std::int32_t wrong_rate_result = 0x102;
};

// The one state of the process; reset() between tests.
State &state();
void reset();

// Scripting helpers.
// A response with the given status and data, framed and escaped as a reader does.
Bytes reader_frame(std::uint8_t status, const Bytes &data, std::uint16_t address = 0,
                   std::uint8_t code = 0);
void respond(std::uint8_t status, const Bytes &data = {});
void respond_raw(const Bytes &response, std::int32_t result = 0);
void fail(std::int32_t result);

}  // namespace fake_selmek
