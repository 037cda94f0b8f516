#include "dump_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "cardkit/key_dictionary.h"
#include "tool_error.h"

namespace rfcard {

std::string read_input_file(const std::string &path) {
    if (path == "-") {
        return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ToolError(kExitBadInput, "cannot read " + path + ": " + std::strerror(errno));
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw ToolError(kExitBadInput, "cannot read " + path);
    return content;
}

cardkit::CardDump load_dump(const std::string &path, const cardkit::ImportOptions &options) {
    const std::string content = read_input_file(path);
    try {
        return cardkit::import_dump(content, path == "-" ? "" : path, options);
    } catch (const cardkit::FormatError &error) {
        throw ToolError(kExitBadInput, path + ": " + error.what());
    }
}

std::vector<cardkit::MifareKey> load_key_files(const std::vector<std::string> &paths) {
    std::vector<cardkit::MifareKey> keys;
    for (const std::string &path : paths) {
        try {
            for (const auto &key : cardkit::parse_key_dictionary(read_input_file(path))) {
                if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
            }
        } catch (const cardkit::FormatError &error) {
            throw ToolError(kExitBadInput, path + ": " + error.what());
        }
    }
    return keys;
}

namespace {

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

}  // namespace

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

void save_dump(Output &out, const cardkit::CardDump &dump, const std::string &path,
               cardkit::DumpFormat format) {
    const cardkit::ExportedDump exported = cardkit::export_dump(dump, format);
    for (const std::string &warning : exported.warnings) out.warn(warning);
    out.data()["format"] = cardkit::format_name(format);
    if (path.empty() || path == "-") {
        if (!out.json()) {
            std::cout << exported.content;
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
    // A complete file or none: the old one is replaced only once the new is written.
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << exported.content;
        file.close();
        if (!file || std::rename(temporary.c_str(), path.c_str()) != 0) {
            const int error = errno;
            std::remove(temporary.c_str());
            throw ToolError(kExitBadInput, "cannot write " + path + ": " + std::strerror(error));
        }
    }
    out.data()["file"] = path;
}

}  // namespace rfcard
