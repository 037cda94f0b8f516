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

constexpr DumpFormat kFormats[] = {DumpFormat::Raw, DumpFormat::Eml, DumpFormat::Mct,
                                   DumpFormat::Json, DumpFormat::Nfc};

// Lines that say something: neither blank nor a '#' comment.
std::vector<std::string_view> content_lines(std::string_view content) {
    std::vector<std::string_view> lines;
    for (const std::string_view line : split_lines(content)) {
        const std::string_view text = trim(line);
        if (!text.empty() && text.front() != '#') lines.push_back(text);
    }
    return lines;
}

bool looks_like_eml(const std::vector<std::string_view> &lines) {
    return !lines.empty() && std::all_of(lines.begin(), lines.end(), [](std::string_view line) {
        return codec::parse_block_text(line, kMifareBlockSize, "--", '\0').has_value();
    });
}

// Text saved by some editors begins with a byte-order mark.
std::string_view without_byte_order_mark(std::string_view content) {
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    return content.starts_with(kMark) ? content.substr(kMark.size()) : content;
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
    const std::string_view text = without_byte_order_mark(content);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    // A raw dump may start with '{' too (a UID byte 7B).
    if (first != std::string_view::npos && text[first] == '{' &&
        (!codec::looks_raw(content) || codec::is_json(text))) {
        return DumpFormat::Json;
    }
    const auto lines = content_lines(text);
    if (!lines.empty()) {
        if (lines.front().starts_with("Filetype:") || lines.front().starts_with("Device type:")) {
            return DumpFormat::Nfc;
        }
        if (lines.front().starts_with("+Sector:")) return DumpFormat::Mct;
    }
    if (looks_like_eml(lines)) return DumpFormat::Eml;
    if (codec::looks_raw(content)) return DumpFormat::Raw;
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
            return codec::read_eml(content, options);
        case DumpFormat::Mct:
            return codec::read_mct(content, options);
        case DumpFormat::Json:
            return codec::read_json(content, options);
        case DumpFormat::Nfc:
            return codec::read_nfc(content, options);
    }
    throw FormatError("unknown format");
}

ExportedDump export_dump(const CardDump &dump, DumpFormat format) {
    codec::require_family(dump, format);
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

std::vector<DumpFormat> formats_holding(CardFamily family) {
    std::vector<DumpFormat> formats;
    for (const DumpFormat format : kFormats) {
        switch (format) {
            case DumpFormat::Raw:
            case DumpFormat::Json:
                formats.push_back(format);
                break;
            case DumpFormat::Eml:
            case DumpFormat::Mct:
                if (family == CardFamily::MifareClassic) formats.push_back(format);
                break;
            case DumpFormat::Nfc:
                // The handheld tool has no SR176 type.
                if (family != CardFamily::Sr176) formats.push_back(format);
                break;
        }
    }
    return formats;
}

namespace codec {

void require_family(const CardDump &dump, DumpFormat format) {
    const auto holding = formats_holding(dump.family());
    if (std::find(holding.begin(), holding.end(), format) != holding.end()) return;
    std::string names;
    for (std::size_t i = 0; i < holding.size(); ++i) {
        names += (i == 0 ? "" : i + 1 == holding.size() ? " or " : ", ");
        names += format_name(holding[i]);
    }
    throw FormatError("the " + std::string(format_name(format)) + " format cannot hold " +
                      std::string(family_name(dump.family())) + " dumps; write them as " + names);
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

bool any_known(const BlockText &text) {
    return std::any_of(text.known.begin(), text.known.end(), [](std::uint8_t k) { return k != 0; });
}

std::optional<Bytes> parse_spaced_hex(std::string_view text, int min_size, int max_size) {
    if (text.size() < 2 || (text.size() + 1) % 3 != 0) return std::nullopt;
    const int size = static_cast<int>((text.size() + 1) / 3);
    if (size < min_size || size > max_size) return std::nullopt;
    const auto block = parse_block_text(text, size, {}, ' ');
    if (!block) return std::nullopt;
    return block->bytes;
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
    std::vector<int> sectors;
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        if (!dump.key(sector, KeyType::A) || !dump.key(sector, KeyType::B)) {
            sectors.push_back(sector);
        }
    }
    if (!sectors.empty()) {
        warnings.push_back("keys not found (sectors " + number_ranges(sectors) +
                           ") are written as 00");
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

namespace {

std::string joined(const std::vector<std::string> &names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

}  // namespace

void warn_details(const CardDump &dump, const DetailsKept &kept,
                  std::vector<std::string> &warnings) {
    std::vector<std::string> lost;
    if (dump.family() == CardFamily::Ultralight) {
        const UltralightInfo &info = dump.ultralight_info();
        if (!kept.ultralight_version) {
            if (info.version) lost.push_back("version");
            if (info.signature) lost.push_back("signature");
            if (std::any_of(info.counters.begin(), info.counters.end(),
                            [](const auto &c) { return c.has_value(); })) {
                lost.push_back("counters");
            }
            if (std::any_of(info.tearing.begin(), info.tearing.end(),
                            [](const auto &t) { return t.has_value(); })) {
                lost.push_back("tearing flags");
            }
        }
        if (!kept.ultralight_tbo && (info.tbo0 || info.tbo1)) lost.push_back("TBO bytes");
        if (!kept.failed_authentications && info.failed_authentications) {
            lost.push_back("count of failed authentications");
        }
    }
    if (dump.family() == CardFamily::Iso15693) {
        const Iso15693Info &info = dump.iso15693_info();
        if (!kept.iso15693_info && info.ic_reference) lost.push_back("IC reference");
        if (!kept.iso15693_info && (info.dsfid_locked || info.afi_locked)) {
            lost.push_back("DSFID and AFI lock bits");
        }
        if (!kept.block_security && dump.block_security()) {
            lost.push_back("blocks' security status");
        }
    }
    if (dump.family() == CardFamily::Srix4k && !kept.system_block && dump.system_block()) {
        lost.push_back("system block");
    }
    std::vector<std::string> foreign;
    std::string foreign_format;
    for (const FormatField &field : dump.format_fields()) {
        if (field.format == kept.format) continue;
        foreign.push_back(field.name);
        foreign_format = field.format;
    }
    if (!foreign.empty())
        lost.push_back(joined(foreign) + " (kept by " + foreign_format + " files)");
    if (!lost.empty()) warnings.push_back("the file does not keep the card's " + joined(lost));
}

}  // namespace codec

}  // namespace cardkit
