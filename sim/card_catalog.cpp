#include "card_catalog.h"

#include <algorithm>
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

struct Kind {
    std::string_view name;
    Bytes uid;  // the default, most significant byte first
    int chip_id = -1;
    int chip_ids = 0;  // how many chip IDs the kind has
};

const std::vector<Kind> &kinds_table() {
    static const std::vector<Kind> table = {
        {"mifare1k", {0x5A, 0x3C, 0x71, 0xE2}},
        {"mifare4k", {0x6B, 0x2D, 0x80, 0xF3}},
        {"ultralight", {0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, 0x80}},
        {"cpu-a", {0x3E, 0x81, 0x22, 0x6D}},
        {"cpu-b", {0x1C, 0x93, 0x5E, 0x07}},
        // An 0xAA in the PUPI: its ATQB and every ATTRIB and HLTB need byte stuffing.
        {"at88rf020", {0x4D, 0xAA, 0x20, 0x17}},
        {"sr176", {0xD0, 0x02, 0x0B, 0x55, 0x31, 0x7E, 0x90, 0x04}, 0x06, 16},
        {"srix4k", {0xD0, 0x02, 0x0C, 0x4B, 0x13, 0x72, 0xA9, 0xE5}, 0x5D, 256},
        // 64 blocks.
        {"iso15693", {0xE0, 0x07, 0xC6, 0xA1, 0x52, 0x33, 0x10, 0x8E}},
        // Manufacturer code 04, 28 blocks.
        {"icode", {0xE0, 0x04, 0x01, 0x00, 0x4F, 0x3A, 0x92, 0xC7}},
    };
    return table;
}

const Kind *find_kind(std::string_view name) {
    for (const Kind &kind : kinds_table())
        if (kind.name == name) return &kind;
    return nullptr;
}

template <std::size_t N>
std::array<std::uint8_t, N> as_array(ByteView bytes) {
    std::array<std::uint8_t, N> out{};
    std::copy_n(bytes.begin(), N, out.begin());
    return out;
}

std::unique_ptr<Card> build(std::string_view kind, ByteView uid, std::uint8_t chip_id) {
    if (kind == "mifare1k")
        return std::make_unique<MifareClassic>(MifareClassic::Size::k1K, as_array<4>(uid));
    if (kind == "mifare4k")
        return std::make_unique<MifareClassic>(MifareClassic::Size::k4K, as_array<4>(uid));
    if (kind == "ultralight") return std::make_unique<Ultralight>(as_array<7>(uid));
    if (kind == "cpu-a") return std::make_unique<CpuCardA>(as_array<4>(uid));
    if (kind == "cpu-b") return std::make_unique<CpuCardB>(as_array<4>(uid));
    if (kind == "at88rf020") return std::make_unique<At88rf020>(as_array<4>(uid));
    if (kind == "sr176") return std::make_unique<Sr176>(as_array<8>(uid), chip_id);
    if (kind == "srix4k") return std::make_unique<Srix4k>(as_array<8>(uid), chip_id);
    // ISO 15693 tags keep their UID least significant byte first.
    Iso15693Uid wire_order{};
    std::reverse_copy(uid.begin(), uid.end(), wire_order.begin());
    if (kind == "iso15693") return std::make_unique<Iso15693Tag>(wire_order, 64, 0x0A);
    if (kind == "icode") return std::make_unique<Iso15693Tag>(wire_order, 28, 0x01);
    return nullptr;
}

}  // namespace

const std::vector<std::string_view> &card_kinds() {
    static const std::vector<std::string_view> kinds = [] {
        std::vector<std::string_view> names;
        for (const Kind &kind : kinds_table()) names.push_back(kind.name);
        return names;
    }();
    return kinds;
}

const std::vector<std::string_view> &default_field_kinds() {
    static const std::vector<std::string_view> kinds = {"mifare1k", "cpu-b", "at88rf020", "srix4k",
                                                        "iso15693"};
    return kinds;
}

std::size_t uid_length(std::string_view kind) {
    const Kind *found = find_kind(kind);
    return found ? found->uid.size() : 0;
}

Bytes default_uid(std::string_view kind, int copy) {
    const Kind *found = find_kind(kind);
    if (!found) return {};
    Bytes uid = found->uid;
    uid.back() = static_cast<std::uint8_t>(uid.back() + copy);
    return uid;
}

std::optional<std::uint8_t> default_chip_id(std::string_view kind, int copy) {
    const Kind *found = find_kind(kind);
    if (!found || found->chip_id < 0) return std::nullopt;
    return static_cast<std::uint8_t>((found->chip_id + copy) % found->chip_ids);
}

std::unique_ptr<Card> make_card(std::string_view kind, ByteView uid, std::uint8_t chip_id) {
    const Kind *found = find_kind(kind);
    if (!found || uid.size() != found->uid.size()) return nullptr;
    auto card = build(kind, uid, chip_id);
    card->set_kind(kind);
    return card;
}

std::unique_ptr<Card> make_card(std::string_view kind, int copy) {
    return make_card(kind, default_uid(kind, copy), default_chip_id(kind, copy).value_or(0));
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
