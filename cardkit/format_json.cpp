// Dumps as JSON, in the layouts of the Proxmark3 client: the FileType chooses
// the card family, and each family's layout has a file of its own.

#include <algorithm>

#include "json_layouts.h"

namespace cardkit::codec {

namespace {

using json_doc::json;
using json_doc::ordered_json;

constexpr std::string_view kCreatedBy = "cardkit";

bool is_iso15693_type(std::string_view name) {
    return name == "15693" ||
           (name.starts_with("15693 v") && name.size() == 8 && name[7] >= '2' && name[7] <= '5');
}

}  // namespace

bool is_json(std::string_view content) { return json::accept(content); }

CardDump read_json(std::string_view content, const ImportOptions &options) {
    const json root = json_doc::parse_object(content);
    const auto type = json_doc::string_member(root, "FileType");
    if (!type) throw FormatError("no \"FileType\" string");
    const std::string &name = *type;
    // "mfcard" is the client's earlier name of "mfc v2"; "mfc v3" adds EV1 fields.
    if (name == "mfc v2" || name == "mfcard" || name == "mfc v3" || name.starts_with("mfc")) {
        return json_layouts::read_mifare(root, options);
    }
    if (name == "mfu") return json_layouts::read_ultralight(root, options);
    if (is_iso15693_type(name)) return json_layouts::read_iso15693(root, name);
    if (name == "14b" || name == "14b v2" || name == "srix" || name == "srix4k") {
        return json_layouts::read_srix4k(root, name);
    }
    if (name == "sr176") return json_layouts::read_sr176(root);
    throw FormatError("FileType \"" + name.substr(0, 40) +
                      "\" is no dump this program reads (it reads mfc v2, mfu, 15693 to 15693 v5, "
                      "14b and 14b v2)");
}

ExportedDump write_json(const CardDump &dump) {
    ExportedDump out;
    ordered_json root;
    switch (dump.family()) {
        case CardFamily::MifareClassic:
            root = json_layouts::write_mifare(dump, out.warnings);
            break;
        case CardFamily::Ultralight:
            root = json_layouts::write_ultralight(dump, out.warnings);
            break;
        case CardFamily::Iso15693:
            root = json_layouts::write_iso15693(dump, out.warnings);
            break;
        case CardFamily::Srix4k:
            root = json_layouts::write_srix4k(dump, out.warnings);
            break;
        case CardFamily::Sr176:
            root = json_layouts::write_sr176(dump, out.warnings);
            break;
    }
    out.content = root.dump(2) + "\n";
    return out;
}

namespace json_layouts {

ordered_json document(std::string_view file_type) {
    ordered_json root = ordered_json::object();
    root["Created"] = kCreatedBy;
    root["FileType"] = file_type;
    return root;
}

ordered_json known_blocks(const CardDump &dump, std::vector<std::string> &warnings) {
    ordered_json blocks = ordered_json::object();
    std::vector<int> missing, partial;
    for (int block = 0; block < dump.block_count(); ++block) {
        if (dump.block_unknown(block)) {
            missing.push_back(block);
            continue;
        }
        if (!dump.block_known(block)) partial.push_back(block);
        blocks[std::to_string(block)] = to_hex(dump.block(block));
    }
    if (!missing.empty()) {
        warnings.push_back((missing.size() == 1 ? "block " : "blocks ") + number_ranges(missing) +
                           (missing.size() == 1 ? " is" : " are") +
                           " not known and left out; the Proxmark3 client stops reading at the "
                           "first block missing");
    }
    if (!partial.empty()) {
        warnings.push_back(
            (partial.size() == 1 ? "the unknown bytes of block " : "the unknown bytes of blocks ") +
            number_ranges(partial) + " (read in part) are written as 00 and read back as known");
    }
    return blocks;
}

void put_hex(ordered_json &object, const char *name, ByteView bytes) {
    object[name] = to_hex(bytes);
}

void put_byte(ordered_json &object, const char *name, std::optional<std::uint8_t> byte) {
    if (byte) object[name] = to_hex(ByteView(&*byte, 1));
}

void put_format_fields(const CardDump &dump, ordered_json &card) {
    for (const FormatField &field : dump.format_fields()) {
        if (field.format == "json") card[field.name] = field.value;
    }
}

std::vector<FormatField> format_fields(const json &card,
                                       std::initializer_list<const char *> names) {
    std::vector<FormatField> fields;
    for (const char *name : names) {
        // Zeros are what the client writes when it has nothing to keep.
        const auto bytes = json_doc::hex_member(card, name, "Card: ", 1, 64);
        if (!bytes ||
            std::all_of(bytes->begin(), bytes->end(), [](std::uint8_t b) { return b == 0; })) {
            continue;
        }
        fields.push_back({"json", name, to_hex(*bytes)});
    }
    return fields;
}

}  // namespace json_layouts

}  // namespace cardkit::codec
