#include "dump_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>

#include "tool_error.h"
#include "whole_files.h"

namespace rfcard {

namespace {

// Far beyond any dump, and beyond dictionaries of millions of keys; /dev/zero
// or a wrong file ends here instead of filling the memory.
constexpr std::size_t kLargestInput = std::size_t{256} << 20;

std::string read_stream(std::istream &in, const std::string &name) {
    std::string content;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kLargestInput) {
            throw ToolError(kExitBadInput, name + " is larger than " +
                                               std::to_string(kLargestInput >> 20) +
                                               " MiB: no dump or key dictionary is");
        }
    }
    if (in.bad()) throw ToolError(kExitBadInput, "cannot read " + name);
    return content;
}

cardkit::CardDump empty_dump(cardkit::CardFamily family) {
    switch (family) {
        case cardkit::CardFamily::MifareClassic:
            return cardkit::CardDump::mifare_classic(cardkit::MifareType::Mini);
        case cardkit::CardFamily::Ultralight:
            return cardkit::CardDump::ultralight();
        case cardkit::CardFamily::Srix4k:
            return cardkit::CardDump::srix4k();
        case cardkit::CardFamily::Sr176:
            return cardkit::CardDump::sr176();
        case cardkit::CardFamily::Iso15693:
            break;
    }
    return cardkit::CardDump::iso15693(1, 4);
}

cardkit::CardFamily family_named(const std::string &name) {
    static const std::map<std::string, cardkit::CardFamily> kFamilies = {
        {"mifare", cardkit::CardFamily::MifareClassic},
        {"ultralight", cardkit::CardFamily::Ultralight},
        {"srix4k", cardkit::CardFamily::Srix4k},
        {"sr176", cardkit::CardFamily::Sr176},
        {"15693", cardkit::CardFamily::Iso15693},
    };
    const auto found = kFamilies.find(name);
    if (found == kFamilies.end()) {
        throw ToolError(kExitUsage, "no card family is called " + name +
                                        " (mifare, ultralight, srix4k, sr176, 15693)");
    }
    return found->second;
}

std::string shown_name(const std::string &path) {
    return path == "-" ? std::string("standard input") : path;
}

}  // namespace

std::string read_input_file(const std::string &path) {
    if (path == "-") return read_stream(std::cin, "standard input");
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        throw ToolError(kExitBadInput, "cannot read " + path + ": " + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        throw ToolError(kExitBadInput, "cannot read " + path + ": " + std::strerror(EISDIR));
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError(kExitBadInput, "cannot read " + path + ": " + std::strerror(errno));
    return read_stream(in, path);
}

CardSize parse_card_size(const std::string &name) {
    CardSize size;
    if (name.empty()) return size;
    size.mifare = cardkit::mifare_type_from_name(name);
    if (!size.mifare) size.ultralight = cardkit::ultralight_type_from_name(name);
    if (!size.mifare && !size.ultralight) {
        throw ToolError(kExitUsage, "--size " + name +
                                        " is neither a Mifare Classic size (mini, 1k, 2k, 4k) "
                                        "nor an Ultralight or NTAG type (ultralight, ulc, "
                                        "ul11, ul21, ntag213, ntag215, ...)");
    }
    return size;
}

cardkit::ImportOptions import_options(const InputOptions &input) {
    cardkit::ImportOptions options;
    if (!input.from.empty()) {
        options.format = cardkit::format_from_name(input.from);
        if (!options.format) throw ToolError(kExitUsage, "no dump format is called " + input.from);
    }
    if (!input.family.empty()) options.family = family_named(input.family);
    options.iso15693_block_size = input.block_size;
    const CardSize size = parse_card_size(input.size);
    options.mifare_type = size.mifare;
    options.ultralight_type = size.ultralight;
    return options;
}

cardkit::CardDump import_file(const std::string &content, const std::string &path,
                              const InputOptions &input) {
    const cardkit::ImportOptions options = import_options(input);
    cardkit::CardDump dump = [&] {
        try {
            return cardkit::import_dump(content, path == "-" ? "" : path, options);
        } catch (const cardkit::FormatError &error) {
            throw ToolError(kExitBadInput, shown_name(path) + ": " + error.what());
        }
    }();
    const bool size_fits = (!options.mifare_type || dump.mifare_type()) &&
                           (!options.ultralight_type || dump.ultralight_type());
    if (!size_fits) {
        throw ToolError(kExitUsage, "--size " + input.size + " is no size of " + shown_name(path) +
                                        ", which holds a " + dump.description());
    }
    return dump;
}

cardkit::CardDump load_dump(const std::string &path, const InputOptions &input) {
    return import_file(read_input_file(path), path, input);
}

cardkit::DumpFormat output_format(const std::string &format_name, const std::string &path,
                                  cardkit::CardFamily family, cardkit::DumpFormat fallback) {
    cardkit::DumpFormat format = fallback;
    if (!format_name.empty()) {
        const auto named = cardkit::format_from_name(format_name);
        if (!named) throw ToolError(kExitUsage, "no dump format is called " + format_name);
        format = *named;
    } else if (!path.empty() && path != "-") {
        const auto by_name = cardkit::format_from_file_name(path);
        if (!by_name) {
            throw ToolError(kExitUsage, "the name " + path +
                                            " names no dump format; add --format "
                                            "(raw, eml, mct, json or nfc)");
        }
        format = *by_name;
    }
    // Any dump of the family tells whether the format holds it.
    const cardkit::CardDump sample = empty_dump(family);
    try {
        cardkit::export_dump(sample, format);
    } catch (const cardkit::FormatError &) {
        throw ToolError(kExitUsage, std::string(cardkit::format_name(format)) +
                                        " files cannot hold " +
                                        std::string(cardkit::family_name(family)) + " dumps");
    }
    return format;
}

bool holds_keys(const cardkit::CardDump &dump) {
    if (dump.family() == cardkit::CardFamily::MifareClassic) {
        for (int sector = 0; sector < dump.sector_count(); ++sector) {
            if (dump.key(sector, cardkit::KeyType::A) || dump.key(sector, cardkit::KeyType::B))
                return true;
        }
    }
    // A SLIX tag's passwords ride along as the fields of the format that keeps them.
    for (const cardkit::FormatField &field : dump.format_fields()) {
        std::string name = field.name;
        for (char &c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name.find("passw") != std::string::npos) return true;
    }
    return false;
}

void save_dump(Output &out, const cardkit::CardDump &dump, const std::string &path,
               cardkit::DumpFormat format) {
    const cardkit::ExportedDump exported = cardkit::export_dump(dump, format);
    for (const std::string &warning : exported.warnings) out.warn(warning);
    out.data()["format"] = cardkit::format_name(format);
    if (path.empty() || path == "-") {
        if (!out.json()) {
            std::cout << exported.content << std::flush;
        } else if (format == cardkit::DumpFormat::Json) {
            out.data()["dump"] = Json::parse(exported.content);
        } else if (format == cardkit::DumpFormat::Raw) {
            const auto *bytes = reinterpret_cast<const std::uint8_t *>(exported.content.data());
            out.data()["dump"] = cardkit::to_hex(cardkit::ByteView(bytes, exported.content.size()));
        } else {
            out.data()["dump"] = exported.content;
        }
        return;
    }
    write_whole_file(path, exported.content, holds_keys(dump) ? Secrecy::Keys : Secrecy::Plain);
    out.data()["file"] = path;
}

}  // namespace rfcard
