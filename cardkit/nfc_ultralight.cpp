// Ultralight and NTAG as the firmware's mf_ultralight.c writes them (data
// format version 2): "Data format version", "NTAG/Ultralight type", then
// "Signature", "Mifare version", "Counter N" (decimal) and "Tearing N" for N
// 0 to 2, "Pages total", "Pages read", "Page 0" to the last page, and "Failed
// authentication attempts". Pages from "Pages read" on are unknown. Data
// format version 1 had no type line and no "Pages read"; files before version 4
// name the type as device type ("NTAG216"). The firmware has no NTAG210 or
// NTAG212 type and calls them by the Ultralight EV1 of the same size.

#include <algorithm>

#include <map>

#include "nfc_layouts.h"
#include "text_lines.h"

namespace cardkit::codec::nfc_layouts {

namespace {

constexpr int kDataFormatVersion = 2;

struct FlipperName {
    UltralightType type;
    std::string_view name;
};

constexpr FlipperName kNames[] = {
    {UltralightType::Ultralight, "Mifare Ultralight"},
    {UltralightType::UltralightC, "Mifare Ultralight C"},
    {UltralightType::UltralightEv1_11, "Mifare Ultralight 11"},
    {UltralightType::UltralightEv1_21, "Mifare Ultralight 21"},
    {UltralightType::Ntag203, "NTAG203"},
    {UltralightType::Ntag213, "NTAG213"},
    {UltralightType::Ntag215, "NTAG215"},
    {UltralightType::Ntag216, "NTAG216"},
    {UltralightType::NtagI2c1k, "NTAG I2C 1K"},
    {UltralightType::NtagI2c2k, "NTAG I2C 2K"},
    {UltralightType::NtagI2cPlus1k, "NTAG I2C Plus 1K"},
    {UltralightType::NtagI2cPlus2k, "NTAG I2C Plus 2K"},
    {UltralightType::Ntag210, "Mifare Ultralight 11"},
    {UltralightType::Ntag212, "Mifare Ultralight 21"},
};

std::optional<UltralightType> type_named(std::string_view name) {
    for (const FlipperName &known : kNames) {
        if (known.name == name) return known.type;
    }
    return std::nullopt;
}

std::string_view name_of(UltralightType type) {
    for (const FlipperName &known : kNames) {
        if (known.type == type) return known.name;
    }
    return kNames[0].name;
}

std::string numbered(std::string_view key, std::size_t i) {
    return std::string(key) + " " + std::to_string(i);
}

// Pages from 0 that are known whole: the firmware's "Pages read".
int pages_read(const CardDump &dump) {
    int page = 0;
    while (page < dump.block_count() && dump.block_known(page)) ++page;
    return page;
}

}  // namespace

bool is_legacy_ultralight(const std::string &device_type) {
    return type_named(device_type).has_value();
}

CardDump read_ultralight(const NfcDocument &file, int version, const std::string &device_type,
                         const ImportOptions &options) {
    CardIdentity identity;
    if (auto uid = file.hex("UID", 4, 10)) identity.uid = std::move(*uid);
    read_iso14443_3a(file, version, identity);

    UltralightSizeEvidence evidence;
    if (device_type != "NTAG/Ultralight") {
        evidence.stated = type_named(device_type);
        evidence.stated_where = "Device type";
    }
    if (const NfcLine *type_line = file.find("NTAG/Ultralight type")) {
        evidence.stated = type_named(type_line->value);
        if (!evidence.stated)
            throw FormatError(NfcDocument::where(*type_line) + "no type this program knows");
        evidence.stated_where = "line " + std::to_string(type_line->index + 1);
    }
    UltralightInfo info;
    if (const auto version_bytes = file.hex("Mifare version", 8, 8);
        version_bytes &&
        std::any_of(version_bytes->begin(), version_bytes->end(), [](auto b) { return b; })) {
        info.version.emplace();
        std::copy(version_bytes->begin(), version_bytes->end(), info.version->begin());
        evidence.by_version = ultralight_type_from_version(*info.version);
    }
    if (const auto signature = file.hex("Signature", 32, 32);
        signature && std::any_of(signature->begin(), signature->end(), [](auto b) { return b; })) {
        info.signature.emplace();
        std::copy(signature->begin(), signature->end(), info.signature->begin());
    }
    for (std::size_t i = 0; i < 3; ++i) {
        info.counters[i] = file.decimal(numbered("Counter", i), 0xFFFFFF);
        info.tearing[i] = file.byte(numbered("Tearing", i));
    }
    if (const auto failed = file.decimal("Failed authentication attempts", 0xFFFFFFFF);
        failed && *failed) {
        info.failed_authentications = failed;
    }
    const auto total = file.decimal("Pages total", 1024);
    const auto read = file.decimal("Pages read", 1024);
    const std::uint32_t known_pages = read ? *read : total.value_or(1024);

    std::map<int, BlockText> pages;
    for (const NfcLine &line : file.lines()) {
        if (!line.key.starts_with("Page ")) continue;
        const auto page = parse_decimal(line.key.substr(5), 1023);
        if (!page) throw FormatError(NfcDocument::where(line) + "not a page 0 to 1023");
        auto text = parse_block_text(line.value, kUltralightPageSize, "??", ' ');
        if (!text) {
            throw FormatError(NfcDocument::where(line) +
                              "not 4 bytes as hex pairs or ?? separated by spaces");
        }
        if (static_cast<std::uint32_t>(*page) >= known_pages) continue;
        if (any_known(*text) && *page > evidence.highest_known) {
            evidence.highest_known = *page;
            evidence.highest_where = "line " + std::to_string(line.index + 1);
        }
        pages.emplace(*page, std::move(*text));
    }
    CardDump dump = CardDump::ultralight(choose_ultralight_type(options, evidence));
    for (const auto &[page, text] : pages) apply_block_text(dump, page, text);
    dump.set_ultralight_info(info);
    dump.set_identity(identity);
    return dump;
}

std::string write_ultralight(const CardDump &dump, std::vector<std::string> &warnings) {
    const UltralightType type = *dump.ultralight_type();
    NfcWriter out("NTAG/Ultralight", uid_to_write(dump, 7, warnings));
    write_iso14443_3a(out, dump, warnings);
    const UltralightInfo &info = dump.ultralight_info();
    out.comment("NTAG/Ultralight specific data");
    out.field("Data format version", std::to_string(kDataFormatVersion));
    out.field("NTAG/Ultralight type", name_of(type));
    out.hex("Signature", info.signature.value_or(std::array<std::uint8_t, 32>{}));
    out.hex("Mifare version", info.version.value_or(std::array<std::uint8_t, 8>{}));
    bool counters_filled = false;
    for (std::size_t i = 0; i < 3; ++i) {
        counters_filled = counters_filled || !info.counters[i] || !info.tearing[i];
        out.field(numbered("Counter", i), std::to_string(info.counters[i].value_or(0)));
        const std::uint8_t tearing = info.tearing[i].value_or(0);
        out.hex(numbered("Tearing", i), ByteView(&tearing, 1));
    }
    const int read = pages_read(dump);
    out.field("Pages total", std::to_string(dump.block_count()));
    out.field("Pages read", std::to_string(read));
    for (int page = 0; page < dump.block_count(); ++page) {
        out.hex("Page " + std::to_string(page), dump.block(page));
    }
    out.field("Failed authentication attempts",
              std::to_string(info.failed_authentications.value_or(0)));

    if (counters_filled) {
        warnings.push_back(
            "the tag's counters and tearing flags are not all known; the file gives "
            "0 and 00 for those it lacks");
    }
    if (type == UltralightType::Ntag210 || type == UltralightType::Ntag212) {
        warnings.push_back("the format has no " + std::string(ultralight_type_name(type)) +
                           " type: the file names it " + std::string(name_of(type)) +
                           ", of the same size");
    }
    std::vector<int> lost;
    for (int page = read; page < dump.block_count(); ++page) {
        if (!dump.block_unknown(page)) lost.push_back(page);
    }
    if (!lost.empty()) {
        warnings.push_back("pages " + number_ranges(lost) +
                           " are known only in part or follow page " + std::to_string(read) +
                           ", the first not known whole; the file counts "
                           "them as not read");
    }
    warn_details(dump,
                 {.ultralight_version = true, .failed_authentications = true, .format = "nfc"},
                 warnings);
    return out.text();
}

}  // namespace cardkit::codec::nfc_layouts
