#include "cardwork/field_scan.h"

#include <iterator>

#include "cardkit/mifare_layout.h"
#include "cardwork/type_a.h"
#include "protocol/card_protocols.h"

namespace cardwork {

namespace {

// A field holds a few cards; the loops end there whatever the reader says.
constexpr int kMostCardsOfAKind = 16;
constexpr std::int32_t kWakeUpB = 1;
constexpr std::size_t kPupiAt = 1;
constexpr std::size_t kPupiSize = 4;
constexpr std::uint8_t kUltralightAtqa = 0x44;
constexpr std::uint8_t kIso14443_4Sak = 0x20;
constexpr int kInventoryAnswer = 9;  // DSFID, then the UID
constexpr std::uint8_t kSrix4kUidSize = 8;
constexpr const char *kSeveralCards = "several cards answered at once";

FieldCard answered(FieldProtocol protocol) {
    FieldCard card;
    card.protocol = protocol;
    return card;
}

std::string type_a_kind(const TypeACard &card) {
    if (!card.sak) return card.atqa[0] == kUltralightAtqa ? "Ultralight" : "7-byte UID";
    if (*card.sak & kIso14443_4Sak) return "ISO 14443-4";
    if (const auto type = cardkit::mifare_type_from_sak(*card.sak))
        return "Mifare Classic " + std::string(cardkit::mifare_type_name(*type));
    return "unknown kind";
}

void scan_type_a(ReaderSession &session, std::vector<FieldCard> &cards) {
    session.power_field(protocol::kProtocolTypeA);
    const TypeAWalk walk = find_type_a(session, [&](const TypeACard &card) {
        FieldCard found = answered(FieldProtocol::TypeA);
        found.uid = card.uid;
        found.atqa = card.atqa;
        found.sak = card.sak;
        found.kind = type_a_kind(card);
        cards.push_back(std::move(found));
        return false;
    });
    if (walk.mixed_uid_sizes) {
        FieldCard mixed = answered(FieldProtocol::TypeA);
        mixed.kind = "cards with 4- and 7-byte UIDs together";
        cards.push_back(std::move(mixed));
    }
}

void scan_type_b(ReaderSession &session, std::vector<FieldCard> &cards, FieldProtocol kind,
                 char card_protocol) {
    session.power_field(card_protocol);
    std::uint8_t atqb[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t result = CARDWORK_TRY(session, rf_atqb, kWakeUpB, atqb, &length);
    if (result == kNoCard) return;
    FieldCard found = answered(kind);
    if (result == kCollision) {
        found.kind = kSeveralCards;
    } else if (result != 0) {
        throw CardError::call("rf_atqb", result);
    } else if (length < kPupiAt + kPupiSize) {
        found.kind = "an answer too short to hold a PUPI";
    } else {
        found.pupi.assign(atqb + kPupiAt, atqb + kPupiAt + kPupiSize);
    }
    cards.push_back(std::move(found));
}

void scan_iso15693(ReaderSession &session, std::vector<FieldCard> &cards) {
    session.power_field(protocol::kProtocolIso15693);
    // Each tag found is told to stay quiet, so the next inventory finds another.
    for (int found = 0; found < kMostCardsOfAKind; ++found) {
        std::uint8_t answer[protocol::kAnswerRoom] = {};
        std::uint8_t length = 0;
        const std::int32_t result = CARDWORK_TRY(session, ISO15693_Inventory, answer, &length);
        if (result == kNoCard) return;
        FieldCard tag = answered(FieldProtocol::Iso15693);
        if (result == kCollision) {
            tag.kind = "several tags in one slot";
            cards.push_back(std::move(tag));
            return;
        }
        if (result != 0) throw CardError::call("ISO15693_Inventory", result);
        if (length != kInventoryAnswer) {
            throw CardError::call("ISO15693_Inventory", 1,
                                  "an answer of " + std::to_string(length) + " bytes");
        }
        // The UID travels least significant byte first.
        tag.uid.assign(std::make_reverse_iterator(answer + kInventoryAnswer),
                       std::make_reverse_iterator(answer + 1));
        tag.dsfid = answer[0];
        cards.push_back(std::move(tag));
        CARDWORK_CALL(session, ISO15693_Stay_Quiet, answer + 1);
    }
}

void scan_short_range(ReaderSession &session, std::vector<FieldCard> &cards) {
    session.power_field(protocol::kProtocolShortRange);
    // Each card found is deactivated, so the next select finds another.
    for (int found = 0; found < kMostCardsOfAKind; ++found) {
        std::uint8_t chip_id = 0;
        const std::int32_t result = CARDWORK_TRY(session, rf_st_select, &chip_id);
        if (result == kNoCard) return;
        FieldCard card = answered(FieldProtocol::ShortRange);
        if (result == kCollision) {
            card.kind = kSeveralCards;
            cards.push_back(std::move(card));
            return;
        }
        if (result != 0) throw CardError::call("rf_st_select", result);
        card.chip_id = chip_id;
        // Only an SRIX4K tells a UID.
        std::uint8_t uid[kSrix4kUidSize] = {};
        std::uint8_t length = 0;
        if (CARDWORK_TRY(session, rf_srix4k_getuid, uid, &length) == 0 &&
            length == kSrix4kUidSize) {
            card.uid.assign(uid, uid + kSrix4kUidSize);
            card.kind = "SRIX4K";
        } else {
            card.kind = "SR176";
        }
        cards.push_back(std::move(card));
        CARDWORK_CALL(session, rf_st_completion);
    }
}

}  // namespace

FieldScan scan_field(ReaderSession &session) {
    FieldScan scan;
    try {
        scan_type_a(session, scan.cards);
        scan_type_b(session, scan.cards, FieldProtocol::TypeB, protocol::kProtocolTypeB);
        scan_type_b(session, scan.cards, FieldProtocol::At88rf020, protocol::kProtocolAt88rf020);
        scan_iso15693(session, scan.cards);
        scan_short_range(session, scan.cards);
    } catch (const CardError &error) {
        scan.stopped = error;
    }
    return scan;
}

}  // namespace cardwork
