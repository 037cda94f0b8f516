#include "pages/card_search.h"

#include "pages/call_checks.h"
#include "common/app_state.h"

namespace tilvane {

namespace {

void Pause(const AppState &state, unsigned milliseconds) {
    if (milliseconds > 0) state.sleep_ms(milliseconds);
}

}  // namespace

bool PrepareField(const AppState &state, const FieldSteps &steps) {
    const binding::ReaderApi &api = state.api;
    if (!CallSucceeded(api.rf_antenna_sta(kReaderAddress, 0), "rf_antenna_sta")) return false;
    Pause(state, steps.pause_after_off);
    if (!CallSucceeded(api.rf_init_type(kReaderAddress, steps.protocol), "rf_init_type")) {
        return false;
    }
    Pause(state, steps.pause_after_protocol);
    if (!CallSucceeded(api.rf_antenna_sta(kReaderAddress, 1), "rf_antenna_sta")) return false;
    Pause(state, steps.pause_after_on);
    return true;
}

bool SearchCard(const AppState &state, const FieldSteps &steps, int attempts,
                const std::function<bool()> &select) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (PrepareField(state, steps) && select()) return true;
    }
    return false;
}

}  // namespace tilvane
