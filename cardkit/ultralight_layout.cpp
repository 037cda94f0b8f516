#include "cardkit/ultralight_layout.h"

#include <algorithm>
#include <array>

#include "text_lines.h"

namespace cardkit {

namespace {

struct TypeFacts {
    UltralightType type;
    int pages;
    std::string_view name;
    std::string_view short_name;
};

// Ordered by page count, so the first type holding a count is the smallest.
constexpr TypeFacts kTypes[] = {
    {UltralightType::Ultralight, 16, "Ultralight", "ul"},
    {UltralightType::UltralightEv1_11, 20, "Ultralight EV1 MF0UL11", "ul11"},
    {UltralightType::Ntag210, 20, "NTAG210", "ntag210"},
    {UltralightType::UltralightEv1_21, 41, "Ultralight EV1 MF0UL21", "ul21"},
    {UltralightType::Ntag212, 41, "NTAG212", "ntag212"},
    {UltralightType::Ntag203, 42, "NTAG203", "ntag203"},
    {UltralightType::Ntag213, 45, "NTAG213", "ntag213"},
    {UltralightType::UltralightC, 48, "Ultralight C", "ulc"},
    {UltralightType::Ntag215, 135, "NTAG215", "ntag215"},
    {UltralightType::Ntag216, 231, "NTAG216", "ntag216"},
    {UltralightType::NtagI2c1k, 231, "NTAG I2C 1K", "ntagi2c1k"},
    {UltralightType::NtagI2cPlus1k, 236, "NTAG I2C Plus 1K", "ntagi2cplus1k"},
    {UltralightType::NtagI2c2k, 485, "NTAG I2C 2K", "ntagi2c2k"},
    {UltralightType::NtagI2cPlus2k, 492, "NTAG I2C Plus 2K", "ntagi2cplus2k"},
};

const TypeFacts &facts(UltralightType type) {
    for (const TypeFacts &known : kTypes) {
        if (known.type == type) return known;
    }
    return kTypes[0];
}

// Lower case without spaces, dashes and underscores.
std::string folded(std::string_view name) {
    std::string text;
    for (const char c : ascii_lower(name)) {
        if (c != ' ' && c != '-' && c != '_') text.push_back(c);
    }
    return text;
}

// GET_VERSION bytes: 0 header, 1 vendor, 2 product type, 3 subtype, 4 major,
// 5 minor, 6 storage size, 7 protocol.
constexpr std::uint8_t kProductUltralightEv1 = 0x03;
constexpr std::uint8_t kProductNtag = 0x04;
constexpr std::uint8_t kSubtypeNtagI2c = 0x05;

}  // namespace

std::span<const UltralightType> ultralight_types() {
    static const auto kList = [] {
        std::array<UltralightType, std::size(kTypes)> list{};
        for (std::size_t i = 0; i < list.size(); ++i) list[i] = kTypes[i].type;
        return list;
    }();
    return kList;
}

int ultralight_pages(UltralightType type) { return facts(type).pages; }

std::string_view ultralight_type_name(UltralightType type) { return facts(type).name; }

std::optional<UltralightType> ultralight_type_from_name(std::string_view name) {
    const std::string wanted = folded(name);
    for (const TypeFacts &known : kTypes) {
        if (wanted == folded(known.name) || wanted == known.short_name) return known.type;
    }
    if (wanted == "ultralightc") return UltralightType::UltralightC;
    return std::nullopt;
}

std::optional<UltralightType> ultralight_type_from_version(ByteView version) {
    if (version.size() != 8) return std::nullopt;
    const std::uint8_t product = version[2], subtype = version[3], major = version[4],
                       minor = version[5], storage = version[6];
    if (product == kProductUltralightEv1) {
        if (storage == 0x0B) return UltralightType::UltralightEv1_11;
        if (storage == 0x0E) return UltralightType::UltralightEv1_21;
        return std::nullopt;
    }
    if (product != kProductNtag) return std::nullopt;
    if (subtype == kSubtypeNtagI2c && major == 0x02) {
        const bool plus = minor == 0x02;
        if (storage == 0x13)
            return plus ? UltralightType::NtagI2cPlus1k : UltralightType::NtagI2c1k;
        if (storage == 0x15)
            return plus ? UltralightType::NtagI2cPlus2k : UltralightType::NtagI2c2k;
        return std::nullopt;
    }
    switch (storage) {
        case 0x0B:
            return UltralightType::Ntag210;
        case 0x0E:
            return UltralightType::Ntag212;
        case 0x0F:
            return UltralightType::Ntag213;
        case 0x11:
            return UltralightType::Ntag215;
        case 0x13:
            return UltralightType::Ntag216;
        default:
            return std::nullopt;
    }
}

std::optional<UltralightType> ultralight_type_holding(int pages) {
    for (const TypeFacts &known : kTypes) {
        if (known.pages == pages) return known.type;
    }
    for (const TypeFacts &known : kTypes) {
        if (known.pages > pages) return known.type;
    }
    return std::nullopt;
}

std::optional<DynamicLock> dynamic_lock(UltralightType type) {
    switch (type) {
        case UltralightType::Ntag213:
            return DynamicLock{40, 2, 16, 2};
        case UltralightType::Ntag215:
            return DynamicLock{130, 2, 16, 16};
        case UltralightType::Ntag216:
            return DynamicLock{226, 2, 16, 16};
        default:
            return std::nullopt;
    }
}

std::vector<int> static_locked_pages(std::uint8_t lock0, std::uint8_t lock1) {
    std::vector<int> pages;
    for (int bit = 3; bit < 8; ++bit) {
        if ((lock0 >> bit) & 1) pages.push_back(bit);
    }
    for (int bit = 0; bit < 8; ++bit) {
        if ((lock1 >> bit) & 1) pages.push_back(8 + bit);
    }
    return pages;
}

std::optional<std::string> describe_capability_container(ByteView page3) {
    constexpr std::uint8_t kNdefMagic = 0xE1;
    if (page3.size() < 4 || page3[0] != kNdefMagic) return std::nullopt;
    std::string text = "NDEF E1, version " + std::to_string(page3[1] >> 4) + "." +
                       std::to_string(page3[1] & 0x0F) + ", " + std::to_string(page3[2] * 8) +
                       " bytes of data, ";
    switch (page3[3]) {
        case 0x00:
            text += "read and write";
            break;
        case 0x0F:
            text += "read only";
            break;
        default:
            text += "access " + to_hex(page3.subspan(3, 1));
            break;
    }
    return text;
}

}  // namespace cardkit
