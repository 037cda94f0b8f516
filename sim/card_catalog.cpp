#include "card_catalog.h"

#include <map>
#include <string>

#include "cards/at88rf020.h"
#include "cards/cpu_card_a.h"
#include "cards/cpu_card_b.h"
#include "cards/iso15693_tag.h"
#include "cards/mifare_classic.h"
#include "cards/sr176.h"
#include "cards/srix4k.h"
#include "cards/ultralight.h"

namespace sim {

namespace {

std::uint8_t plus(std::uint8_t byte, int copy) {
    return static_cast<std::uint8_t>(byte + copy);
}

}  // namespace

const std::vector<std::string_view> &card_kinds() {
    static const std::vector<std::string_view> kinds = {
        "mifare1k",  "mifare4k", "ultralight", "cpu-a",    "cpu-b",
        "at88rf020", "sr176",    "srix4k",     "iso15693", "icode"};
    return kinds;
}

const std::vector<std::string_view> &default_field_kinds() {
    static const std::vector<std::string_view> kinds = {"mifare1k", "cpu-b", "at88rf020", "srix4k",
                                                        "iso15693"};
    return kinds;
}

std::unique_ptr<Card> make_card(std::string_view kind, int copy) {
    if (kind == "mifare1k") {
        return std::make_unique<MifareClassic>(
            MifareClassic::Size::k1K,
            std::array<std::uint8_t, 4>{0x5A, 0x3C, 0x71, plus(0xE2, copy)});
    }
    if (kind == "mifare4k") {
        return std::make_unique<MifareClassic>(
            MifareClassic::Size::k4K,
            std::array<std::uint8_t, 4>{0x6B, 0x2D, 0x80, plus(0xF3, copy)});
    }
    if (kind == "ultralight") {
        return std::make_unique<Ultralight>(
            std::array<std::uint8_t, 7>{0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, plus(0x80, copy)});
    }
    if (kind == "cpu-a") {
        return std::make_unique<CpuCardA>(
            std::array<std::uint8_t, 4>{0x3E, 0x81, 0x22, plus(0x6D, copy)});
    }
    if (kind == "cpu-b")
        return std::make_unique<CpuCardB>(Pupi{0x1C, 0x93, 0x5E, plus(0x07, copy)});
    if (kind == "at88rf020") {
        // An 0xAA in the PUPI: its ATQB and every ATTRIB and HLTB need byte stuffing.
        return std::make_unique<At88rf020>(Pupi{0x4D, 0xAA, 0x20, plus(0x17, copy)});
    }
    if (kind == "sr176") {
        return std::make_unique<Sr176>(
            std::array<std::uint8_t, 8>{0xD0, 0x02, 0x0B, 0x55, 0x31, 0x7E, 0x90, plus(0x04, copy)},
            plus(0x06, copy));
    }
    if (kind == "srix4k") {
        return std::make_unique<Srix4k>(
            std::array<std::uint8_t, 8>{0xD0, 0x02, 0x0C, 0x4B, 0x13, 0x72, 0xA9, plus(0xE5, copy)},
            plus(0x5D, copy));
    }
    if (kind == "iso15693") {
        // E0 07 C6 A1 52 33 10 8E, least significant byte first; 64 blocks.
        return std::make_unique<Iso15693Tag>(
            Iso15693Uid{plus(0x8E, copy), 0x10, 0x33, 0x52, 0xA1, 0xC6, 0x07, 0xE0}, 64, 0x0A);
    }
    if (kind == "icode") {
        // E0 04 01 00 4F 3A 92 C7: manufacturer code 04, 28 blocks.
        return std::make_unique<Iso15693Tag>(
            Iso15693Uid{plus(0xC7, copy), 0x92, 0x3A, 0x4F, 0x00, 0x01, 0x04, 0xE0}, 28, 0x01);
    }
    return nullptr;
}

std::vector<std::unique_ptr<Card>> make_field(const std::vector<std::string_view> &kinds) {
    std::vector<std::unique_ptr<Card>> cards;
    std::map<std::string, int> copies;
    for (const std::string_view kind : kinds) {
        auto card = make_card(kind, copies[std::string(kind)]++);
        if (card) cards.push_back(std::move(card));
    }
    return cards;
}

}  // namespace sim
