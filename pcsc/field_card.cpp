#include "field_card.h"

#include <algorithm>

#include "protocol/card_protocols.h"

namespace pcsc {

namespace {

constexpr std::uint8_t kSakIso14443_4 = 0x20;
constexpr std::array<std::uint8_t, 2> kUltralightAtqa = {0x44, 0x00};

}  // namespace

CardKind type_a_kind(std::array<std::uint8_t, 2> atqa, std::uint8_t sak) {
    if (sak & kSakIso14443_4) return CardKind::Iso14443_4A;
    switch (sak) {
        case 0x08:
        case 0x88:  // a 1K card of a second maker
            return CardKind::MifareClassic1K;
        case 0x18:
            return CardKind::MifareClassic4K;
        case 0x09:
            return CardKind::MifareMini;
        case 0x00:
            if (atqa == kUltralightAtqa) return CardKind::MifareUltralight;
            return CardKind::OtherTypeA;
        default:
            return CardKind::OtherTypeA;
    }
}

bool is_processor_card(CardKind kind) {
    return kind == CardKind::Iso14443_4A || kind == CardKind::Iso14443_4B;
}

bool is_mifare_classic(CardKind kind) {
    return kind == CardKind::MifareClassic1K || kind == CardKind::MifareClassic4K ||
           kind == CardKind::MifareMini;
}

char protocol_of(CardKind kind) {
    switch (kind) {
        case CardKind::Iso14443_4B:
            return protocol::kProtocolTypeB;
        case CardKind::Iso15693:
            return protocol::kProtocolIso15693;
        default:
            return protocol::kProtocolTypeA;
    }
}

int mifare_block_count(CardKind kind) {
    switch (kind) {
        case CardKind::MifareClassic1K:
            return 64;
        case CardKind::MifareClassic4K:
            return 256;
        case CardKind::MifareMini:
            return 20;
        default:
            return 0;
    }
}

int mifare_sector_of(int block) { return block < 128 ? block / 4 : 32 + (block - 128) / 16; }

bool same_card(const FieldCard &a, const FieldCard &b) {
    return a.kind == b.kind && std::equal(a.uid.begin(), a.uid.end(), b.uid.begin(), b.uid.end());
}

}  // namespace pcsc
