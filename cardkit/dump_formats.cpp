#include "cardkit/dump_formats.h"

#include <algorithm>

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit {

namespace {

struct FormatAlias {
    std::string_view name;
    DumpFormat format;
};

constexpr FormatAlias kAliases[] = {
    {"raw", DumpFormat::Raw},   {"bin", DumpFormat::Raw}, {"mfd", DumpFormat::Raw},
    {"dump", DumpFormat::Raw},  {"eml", DumpFormat::Eml}, {"mct", DumpFormat::Mct},
    {"json", DumpFormat::Json}, {"nfc", DumpFormat::Nfc},
};

bool looks_like_eml(const std::vector<std::string_view> &lines) {
    bool any = false;
    for (const std::string_view line : lines) {
        const std::string_view text = trim(line);
        if (text.empty()) continue;
        if (text.size() != 2 * kMifareBlockSize || !parse_hex(text)) return false;
        any = true;
    }
    return any;
}

// Text saved by some editors begins with a byte-order mark.
std::string_view without_byte_order_mark(std::string_view content) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return content.starts_with(kMark) ? content.substr(kMark.size()) : content;
}

bool is_raw_size(std::size_t size) {
    for (const std::size_t known : {320u, 1024u, 2048u, 4096u, 64u, 32u, 512u, 516u}) {
        if (size == known) return true;
    }
    return false;
}

}  // namespace

std::string_view format_name(DumpFormat format) {
    switch (format) {
        case DumpFormat::Raw:
            return "raw";
        case DumpFormat::Eml:
            return "eml";
        case DumpFormat::Mct:
            return "mct";
        case DumpFormat::Json:
            return "json";
        case DumpFormat::Nfc:
            return "nfc";
    }
    return "";
}

std::optional<DumpFormat> format_from_name(std::string_view name) {
    const std::string lower = ascii_lower(name);
    for (const FormatAlias &alias : kAliases) {
        if (lower == alias.name) return alias.format;
    }
    return std::nullopt;
}

std::optional<DumpFormat> format_from_file_name(std::string_view file_name) {
    const std::size_t slash = file_name.find_last_of('/');
    if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
    const std::size_t dot = file_name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    return format_from_name(file_name.substr(dot + 1));
}

DumpFormat detect_format(std::string_view content, std::string_view file_name) {
    if (const auto named = format_from_file_name(file_name)) return *named;
    content = without_byte_order_mark(content);
    const std::size_t first = content.find_first_not_of(" \t\r\n");
    // A raw dump may start with '{' too (a UID byte 7B).
    if (first != std::string_view::npos && content[first] == '{' &&
        (!is_raw_size(content.size()) || codec::is_json(content))) {
        return DumpFormat::Json;
    }
    const auto lines = split_lines(content);
    const auto first_line =
        std::find_if(lines.begin(), lines.end(), [](auto line) { return !trim(line).empty(); });
    if (first_line != lines.end()) {
        const std::string_view line = trim(*first_line);
        if (line.starts_with("Filetype:") || line.starts_with("Device type:")) {
            return DumpFormat::Nfc;
        }
        if (line.starts_with("+Sector:")) return DumpFormat::Mct;
    }
    if (looks_like_eml(lines)) return DumpFormat::Eml;
    if (is_raw_size(content.size())) return DumpFormat::Raw;
    throw FormatError("cannot tell the format of this file (" + std::to_string(content.size()) +
                      " bytes); name it with a known extension or choose the format");
}

CardDump import_dump(std::string_view content, std::string_view file_name,
                     const ImportOptions &options) {
    const DumpFormat format = options.format ? *options.format : detect_format(content, file_name);
    if (format != DumpFormat::Raw) content = without_byte_order_mark(content);
    switch (format) {
        case DumpFormat::Raw:
            return codec::read_raw(content, options);
        case DumpFormat::Eml:
            return codec::read_eml(content);
        case DumpFormat::Mct:
            return codec::read_mct(content);
        case DumpFormat::Json:
            return codec::read_json(content);
        case DumpFormat::Nfc:
            return codec::read_nfc(content);
    }
    throw FormatError("unknown format");
}

ExportedDump export_dump(const CardDump &dump, DumpFormat format) {
    switch (format) {
        case DumpFormat::Raw:
            return codec::write_raw(dump);
        case DumpFormat::Eml:
            return codec::write_eml(dump);
        case DumpFormat::Mct:
            return codec::write_mct(dump);
        case DumpFormat::Json:
            return codec::write_json(dump);
        case DumpFormat::Nfc:
            return codec::write_nfc(dump);
    }
    throw FormatError("unknown format");
}

namespace codec {

void require_mifare_classic(const CardDump &dump, DumpFormat format) {
    if (dump.family() != CardFamily::MifareClassic) {
        throw FormatError("the " + std::string(format_name(format)) +
                          " format holds Mifare Classic dumps only, not " + dump.description());
    }
}

std::string block_text(const CardDump &dump, int block, std::string_view unknown, char separator) {
    std::string text;
    const ByteView bytes = dump.block(block);
    for (int i = 0; i < dump.block_size(); ++i) {
        if (i > 0 && separator != '\0') text.push_back(separator);
        text += dump.byte_known(block, i) ? to_hex(bytes.subspan(static_cast<std::size_t>(i), 1))
                                          : std::string(unknown);
    }
    return text;
}

std::optional<BlockText> parse_block_text(std::string_view text, int size, std::string_view unknown,
                                          char separator) {
    const std::size_t step = separator == '\0' ? 2 : 3;
    if (size < 1 || text.size() != step * static_cast<std::size_t>(size) - (step - 2)) {
        return std::nullopt;
    }
    BlockText block;
    for (int i = 0; i < size; ++i) {
        const std::string_view pair = text.substr(step * static_cast<std::size_t>(i), 2);
        if (i > 0 && separator != '\0' &&
            text[step * static_cast<std::size_t>(i) - 1] != separator) {
            return std::nullopt;
        }
        if (!unknown.empty() && pair == unknown) {
            block.bytes.push_back(0);
            block.known.push_back(0);
            continue;
        }
        const auto byte = parse_hex(pair);
        if (!byte) return std::nullopt;
        block.bytes.push_back((*byte)[0]);
        block.known.push_back(1);
    }
    return block;
}

void apply_block_text(CardDump &dump, int block, const BlockText &text) {
    for (int i = 0; i < dump.block_size(); ++i) {
        if (text.known[static_cast<std::size_t>(i)] != 0) {
            dump.set_bytes(block, i, ByteView(&text.bytes[static_cast<std::size_t>(i)], 1));
        } else {
            dump.forget_bytes(block, i, 1);
        }
    }
}

void warn_unknown_bytes(const CardDump &dump, std::vector<std::string> &warnings) {
    int unknown = 0;
    for (int block = 0; block < dump.block_count(); ++block) {
        for (int i = 0; i < dump.block_size(); ++i) unknown += dump.byte_known(block, i) ? 0 : 1;
    }
    if (unknown > 0) {
        warnings.push_back(std::to_string(unknown) +
                           " unknown bytes are written as 00 and read back as known");
    }
    if (dump.family() != CardFamily::MifareClassic) return;
    // Keys not found would read back as keys 000000000000: name their sectors.
    std::string sectors;
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        if (!dump.key(sector, KeyType::A) || !dump.key(sector, KeyType::B)) {
            sectors += (sectors.empty() ? "" : ", ") + std::to_string(sector);
        }
    }
    if (!sectors.empty()) {
        warnings.push_back("keys not found (sectors " + sectors + ") are written as 00");
    }
}

void warn_identity(const CardDump &dump, const CardIdentity &kept,
                   std::vector<std::string> &warnings) {
    const CardIdentity &identity = dump.identity();
    std::vector<std::string> lost;
    if (identity.uid != kept.uid) lost.push_back("UID");
    if (identity.atqa != kept.atqa) lost.push_back("ATQA");
    if (identity.sak != kept.sak) lost.push_back("SAK");
    if (identity.dsfid != kept.dsfid) lost.push_back("DSFID");
    if (identity.afi != kept.afi) lost.push_back("AFI");
    if (lost.empty()) return;
    std::string names;
    for (std::size_t i = 0; i < lost.size(); ++i) {
        names += (i == 0 ? "" : i + 1 == lost.size() ? " and " : ", ") + lost[i];
    }
    warnings.push_back("the file does not keep the card's " + names + " as the dump has them");
}

}  // namespace codec

}  // namespace cardkit
