#pragma once

// The card search of the pages: the field is switched off, the reader set to the
// card's protocol and the field switched on again, each page with its own pauses,
// then the family's own request and select calls; the whole is tried again when
// a step fails, as many times as the page allows.

#include <functional>

#include "protocol/card_protocols.h"
#include "protocol/field_pauses.h"

namespace tilvane {

class AppState;

// Antenna off, protocol, antenna on, and the pause after each (0: none).
struct FieldSteps {
    int protocol = protocol::kProtocolTypeA;
    unsigned pause_after_off = 0;
    unsigned pause_after_protocol = 0;
    unsigned pause_after_on = 0;
};

// The full field cycle's pauses (protocol/field_pauses.h) around `protocol`.
constexpr FieldSteps FullFieldCycle(int protocol) {
    return {protocol, protocol::kFieldCyclePauses.after_off_ms,
            protocol::kFieldCyclePauses.after_protocol_ms, protocol::kFieldCyclePauses.after_on_ms};
}

// Runs the field steps; the first that fails is reported under its function name
// ("rf_antenna_sta", "rf_init_type") and ends them.
bool PrepareField(const AppState &state, const FieldSteps &steps);

// Up to `attempts` times: the field steps, then `select`, the family's own calls,
// which report their own failure. True at the first attempt that succeeds.
bool SearchCard(const AppState &state, const FieldSteps &steps, int attempts,
                const std::function<bool()> &select);

}  // namespace tilvane
