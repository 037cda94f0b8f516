#include "cardwork/reader_session.h"

#include <string>

#include "platform/sleep.h"
#include "protocol/field_pauses.h"

namespace cardwork {

ReaderSession::~ReaderSession() {
    if (connected_) api_.rf_ClosePort();
}

void ReaderSession::check_cancel() const {
    if (cancelled()) throw CardError(CardErrorKind::Cancelled, "cancelled");
}

void ReaderSession::connect(std::int32_t port, std::int32_t baud) {
    const std::int32_t result = api_.rf_init_com(port, baud);
    if (result != 0) {
        throw CardError::call("rf_init_com", result,
                              "no reader on port " + std::to_string(port) + " (SELMEK_PORT" +
                                  std::to_string(port) + " or ports.conf name its device)");
    }
    connected_ = true;
}

void ReaderSession::power_field(char card_protocol) {
    constexpr protocol::FieldPauses pauses = protocol::kFieldCyclePauses;
    CARDWORK_CALL(*this, rf_antenna_sta, 0);
    platform::sleep_ms(pauses.after_off_ms);
    CARDWORK_CALL(*this, rf_init_type, card_protocol);
    platform::sleep_ms(pauses.after_protocol_ms);
    CARDWORK_CALL(*this, rf_antenna_sta, 1);
    platform::sleep_ms(pauses.after_on_ms);
}

}  // namespace cardwork
