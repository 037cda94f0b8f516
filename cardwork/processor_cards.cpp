#include "cardwork/processor_cards.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "protocol/card_protocols.h"

namespace cardwork {

namespace {

constexpr std::size_t kTypeAUidSize = 4;  // the activation answer: UID, then ATS
constexpr std::int32_t kWakeUpB = 1;
constexpr std::int32_t kTypeBLeadingByte = 0;
constexpr std::size_t kPupiAt = 1;  // after the ATQB's first byte, 50
constexpr std::size_t kPupiSize = 4;

// The PUPI as the library takes it: the bytes as they stand, in one 32-bit value.
std::uint32_t pupi_value(const ProcessorCard &card) {
    std::uint32_t value = 0;
    std::memcpy(&value, card.pupi.data(), kPupiSize);
    return value;
}

}  // namespace

Activation activate_type_a(ReaderSession &session) {
    session.power_field(protocol::kProtocolTypeA);
    std::uint8_t answer[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t result =
        CARDWORK_TRY(session, rf_typea_rst, protocol::kRequestAll, answer, &length);
    if (result == kNoCard || result == kNotIso14443_4) return {std::nullopt, result};
    if (result != 0)
        throw CardError::call("rf_typea_rst", result, "the Type A card was not activated");
    const std::size_t uid_size = std::min<std::size_t>(kTypeAUidSize, length);
    ProcessorCard card;
    card.type = 'A';
    card.uid.assign(answer, answer + uid_size);
    card.ats.assign(answer + uid_size, answer + length);
    return {std::move(card)};
}

Activation activate_type_b(ReaderSession &session) {
    session.power_field(protocol::kProtocolTypeB);
    std::uint8_t atqb[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t result = CARDWORK_TRY(session, rf_atqb, kWakeUpB, atqb, &length);
    if (result == kNoCard) return {std::nullopt, result};
    if (result != 0) throw CardError::call("rf_atqb", result);
    if (length < kPupiAt + kPupiSize) {
        throw CardError(CardErrorKind::CardUnusable,
                        "rf_atqb answered " + std::to_string(length) + " bytes, no PUPI");
    }
    ProcessorCard card;
    card.type = 'B';
    card.atqb.assign(atqb, atqb + length);
    card.pupi.assign(atqb + kPupiAt, atqb + kPupiAt + kPupiSize);
    CARDWORK_CALL(session, rf_attrib, pupi_value(card), 0);
    return {std::move(card)};
}

cardkit::Bytes exchange_apdu(ReaderSession &session, const ProcessorCard &card,
                             cardkit::ByteView command) {
    std::uint8_t answer[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const auto size = static_cast<std::int32_t>(command.size());
    if (card.type == 'A') {
        CARDWORK_CALL(session, rf_cos_command, command.data(), size, answer, &length);
    } else {
        CARDWORK_CALL(session, rf_typeb_cos, kTypeBLeadingByte, command.data(), size, answer,
                      &length);
    }
    return cardkit::Bytes(answer, answer + length);
}

void release(ReaderSession &session, const ProcessorCard &card) {
    if (card.type == 'A') {
        CARDWORK_TRY(session, rf_cl_deselect);
    } else {
        CARDWORK_TRY(session, rf_hltb, pupi_value(card));
    }
}

}  // namespace cardwork
