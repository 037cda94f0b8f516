#pragma once

// The JSON layouts of the Proxmark3 client, one file a card family, and what
// their writers share. The layouts follow the client's fileutils.c as of its
// "15693 v5" revision (saveFileJSON/loadFileJSONex): FileType names the layout,
// "Card" holds the identity, "blocks" the blocks by decimal number, each an
// upper-case hex string. The client reads blocks from 0 up and stops at the
// first one missing, so a partial dump names the blocks it leaves out.

#include <string>
#include <vector>

#include "format_codecs.h"
#include "json_document.h"

namespace cardkit::codec::json_layouts {

using json_doc::json;
using json_doc::ordered_json;

CardDump read_mifare(const json &root, const ImportOptions &options);
ordered_json write_mifare(const CardDump &dump, std::vector<std::string> &warnings);

CardDump read_ultralight(const json &root, const ImportOptions &options);
ordered_json write_ultralight(const CardDump &dump, std::vector<std::string> &warnings);

// `file_type` is "15693", "15693 v2" to "15693 v5".
CardDump read_iso15693(const json &root, const std::string &file_type);
ordered_json write_iso15693(const CardDump &dump, std::vector<std::string> &warnings);

// `file_type` is "14b", "14b v2", "srix" or this program's older "srix4k".
CardDump read_srix4k(const json &root, const std::string &file_type);
ordered_json write_srix4k(const CardDump &dump, std::vector<std::string> &warnings);
CardDump read_sr176(const json &root);
ordered_json write_sr176(const CardDump &dump, std::vector<std::string> &warnings);

// The root every writer starts from: "Created" and "FileType".
ordered_json document(std::string_view file_type);
// Every block with a known byte, unknown bytes as 00; warnings name the blocks
// left out and the blocks written in part.
ordered_json known_blocks(const CardDump &dump, std::vector<std::string> &warnings);
// The card's UID in a "Card" object when known.
void put_hex(ordered_json &object, const char *name, ByteView bytes);
void put_byte(ordered_json &object, const char *name, std::optional<std::uint8_t> byte);
// The FormatFields of the json format, as hex members of `card`, and back.
void put_format_fields(const CardDump &dump, ordered_json &card);
std::vector<FormatField> format_fields(const json &card, std::initializer_list<const char *> names);

}  // namespace cardkit::codec::json_layouts
