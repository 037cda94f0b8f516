#include "contactless_atr.h"

#include <algorithm>

namespace pcsc {

namespace {

constexpr std::uint8_t kInitialCharacter = 0x3B;
// T0 with TD1 present, then TD1 (T=0, TD2 present) and TD2 (T=1).
constexpr std::uint8_t kT0WithTd1 = 0x80;
constexpr std::uint8_t kTd1 = 0x80;
constexpr std::uint8_t kTd2 = 0x01;
constexpr std::size_t kMostHistoricalBytes = 15;

// The storage card's historical bytes up to the standard byte: category 80, then
// the application identifier (tag 4F, 12 bytes) of the registered application
// provider A0 00 00 03 06.
constexpr std::uint8_t kStorageCardPrefix[] = {0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00, 0x03, 0x06};
constexpr std::uint8_t kIso14443A3 = 0x03;
constexpr std::uint8_t kIso15693_3 = 0x0B;

constexpr std::uint8_t kAtsTa = 0x10, kAtsTb = 0x20, kAtsTc = 0x40;

// ISO 15693 makers' codes (UID byte 6) whose tags have a name of their own.
constexpr std::uint8_t kMakerNxp = 0x04;
constexpr std::uint8_t kMakerTexasInstruments = 0x07;

Bytes with_historical_bytes(ByteView historical) {
    const std::size_t count = std::min(historical.size(), kMostHistoricalBytes);
    Bytes atr;
    atr.reserve(5 + count);
    atr.push_back(kInitialCharacter);
    atr.push_back(static_cast<std::uint8_t>(kT0WithTd1 | count));
    atr.push_back(kTd1);
    atr.push_back(kTd2);
    for (std::size_t i = 0; i < count; ++i) atr.push_back(historical[i]);
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < atr.size(); ++i) check ^= atr[i];
    atr.push_back(check);
    return atr;
}

std::uint16_t storage_card_name(const FieldCard &card) {
    switch (card.kind) {
        case CardKind::MifareClassic1K:
            return 0x0001;
        case CardKind::MifareClassic4K:
            return 0x0002;
        case CardKind::MifareUltralight:
            return 0x0003;
        case CardKind::MifareMini:
            return 0x0026;
        case CardKind::Iso15693:
            if (card.uid.size() == 8 && card.uid[6] == kMakerNxp) return 0x0014;
            if (card.uid.size() == 8 && card.uid[6] == kMakerTexasInstruments) return 0x0012;
            return 0x0000;
        default:
            return 0x0000;
    }
}

Bytes storage_card_atr(std::uint8_t standard, std::uint16_t name) {
    Bytes historical(std::begin(kStorageCardPrefix), std::end(kStorageCardPrefix));
    historical.push_back(standard);
    historical.push_back(static_cast<std::uint8_t>(name >> 8));
    historical.push_back(static_cast<std::uint8_t>(name & 0xFF));
    historical.insert(historical.end(), 4, 0x00);  // reserved
    return with_historical_bytes(historical);
}

}  // namespace

Bytes ats_historical_bytes(ByteView ats) {
    if (ats.size() < 2) return {};
    const std::size_t length = std::min<std::size_t>(ats[0], ats.size());
    if (length < 2) return {};
    const std::uint8_t format = ats[1];
    std::size_t start = 2;
    for (std::uint8_t present : {kAtsTa, kAtsTb, kAtsTc}) {
        if (format & present) ++start;
    }
    if (start >= length) return {};
    return Bytes(ats.begin() + static_cast<long>(start), ats.begin() + static_cast<long>(length));
}

Bytes contactless_atr(const FieldCard &card) {
    switch (card.kind) {
        case CardKind::Iso14443_4A:
            return with_historical_bytes(ats_historical_bytes(card.ats));
        case CardKind::Iso14443_4B: {
            Bytes historical;
            if (card.atqb.size() >= 12) {
                historical.assign(card.atqb.begin() + 5, card.atqb.begin() + 12);
            } else {
                historical.assign(7, 0x00);
            }
            historical.push_back(0x00);  // the ATTRIB answer's buffer index is not known
            return with_historical_bytes(historical);
        }
        case CardKind::Iso15693:
            return storage_card_atr(kIso15693_3, storage_card_name(card));
        default:
            return storage_card_atr(kIso14443A3, storage_card_name(card));
    }
}

}  // namespace pcsc
