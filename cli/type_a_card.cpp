#include "cli/type_a_card.h"

namespace rfcard {

namespace {

// Bits 7 and 6 of the ATQA's first byte: 0 a single-size UID, 1 double, 2 triple.
int uid_size_from_atqa(std::uint8_t first) {
    const int size_bits = (first >> 6) & 3;
    return size_bits == 0 ? 4 : size_bits == 1 ? 7 : 10;
}

}  // namespace

std::optional<TypeACard> select_type_a(Reader &reader, std::int32_t request_code) {
    TypeACard card;
    const std::int32_t requested = RF_TRY(reader, rf_request, request_code, card.atqa.data());
    if (requested == kNoCard) return std::nullopt;
    if (requested != 0) throw ReaderError("rf_request", requested);

    std::uint8_t uid[10] = {};
    std::uint8_t length = 0;
    switch (uid_size_from_atqa(card.atqa[0])) {
        case 4: {
            RF_CALL(reader, rf_anticoll, 4, uid, &length);
            std::uint8_t sak = 0;
            RF_CALL(reader, rf_select, uid, 4, &sak);
            card.uid.assign(uid, uid + 4);
            card.sak = sak;
            return card;
        }
        case 7: {
            const std::int32_t result = RF_TRY(reader, rf_ul_select, uid, &length);
            // The ATQAs of several cards arrive OR-ed; a 4-byte card got selected here.
            if (result == 1 && length == 4) throw MixedUidSizes();
            if (result != 0) throw ReaderError("rf_ul_select", result);
            card.uid.assign(uid, uid + 7);
            return card;
        }
        default:
            throw ToolError(kExitReaderFailed,
                            "the card has a 10-byte UID, which this reader cannot select");
    }
}

std::optional<TypeACard> find_type_a(Reader &reader,
                                     const std::function<bool(const TypeACard &)> &take) {
    // A field holds a few cards; the walk ends there whatever the reader says.
    constexpr int kMostCards = 16;
    // A card left ready by an earlier anticollision takes the next request for
    // an error and falls back silently: only a second silence means no more cards.
    constexpr int kSilencesAtTheEnd = 2;
    int silences = 0;
    for (int tries = 0; tries < kMostCards + kSilencesAtTheEnd && silences < kSilencesAtTheEnd;
         ++tries) {
        auto card = select_type_a(reader, tries == 0 ? protocol::kRequestAll : protocol::kRequestIdle);
        if (!card) {
            ++silences;
            continue;
        }
        silences = 0;
        if (take(*card)) return card;
        RF_CALL(reader, rf_halt);
    }
    return std::nullopt;
}

TypeACard require_type_a(Reader &reader, const std::function<bool(const TypeACard &)> &wanted,
                         const std::function<std::string(const TypeACard &)> &why_not) {
    std::optional<TypeACard> passed_over;
    auto found = find_type_a(reader, [&](const TypeACard &card) {
        if (wanted(card)) return true;
        passed_over = card;
        return false;
    });
    if (found) return std::move(*found);
    if (passed_over) throw ToolError(kExitReaderFailed, why_not(*passed_over));
    throw ReaderError("rf_request", kNoCard, "no Type A card in the field");
}

void reselect(Reader &reader, const TypeACard &card) {
    std::uint8_t atqa[2] = {};
    const std::int32_t requested = RF_TRY(reader, rf_request, protocol::kRequestAll, atqa);
    if (requested != 0) throw ReaderError("rf_request", requested, "the card no longer answers");
    std::uint8_t sak = 0;
    const std::int32_t selected = RF_TRY(reader, rf_select, card.uid.data(),
                                         static_cast<std::int32_t>(card.uid.size()), &sak);
    if (selected != 0) {
        throw ReaderError("rf_select", selected, "the card no longer answers to its UID");
    }
}

}  // namespace rfcard
