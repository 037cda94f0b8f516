#pragma once

// The readers and writers behind import_dump and export_dump, one file each, and
// what they share.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/dump_formats.h"

namespace cardkit::codec {

CardDump read_raw(std::string_view content, const ImportOptions &options);
ExportedDump write_raw(const CardDump &dump);
CardDump read_eml(std::string_view content);
ExportedDump write_eml(const CardDump &dump);
CardDump read_mct(std::string_view content);
ExportedDump write_mct(const CardDump &dump);
CardDump read_json(std::string_view content);
bool is_json(std::string_view content);
ExportedDump write_json(const CardDump &dump);
CardDump read_nfc(std::string_view content);
ExportedDump write_nfc(const CardDump &dump);

// FormatError unless the dump is of a family the format holds.
void require_mifare_classic(const CardDump &dump, DumpFormat format);

// A block of text with "--" or "??" (`unknown`) for unknown bytes, bytes
// separated by `separator` unless it is '\0'.
std::string block_text(const CardDump &dump, int block, std::string_view unknown, char separator);

// A block's bytes and which of them are known, as a text line gives them.
struct BlockText {
    Bytes bytes;
    Bytes known;
};
// Exactly `size` digit pairs, each hex or `unknown` (when not empty), with
// `separator` between pairs unless it is '\0'. nullopt for anything else.
std::optional<BlockText> parse_block_text(std::string_view text, int size, std::string_view unknown,
                                          char separator);
void apply_block_text(CardDump &dump, int block, const BlockText &text);

// Warnings shared by the writers.
void warn_unknown_bytes(const CardDump &dump, std::vector<std::string> &warnings);
// Names what of the dump's identity a file that keeps `kept` loses.
void warn_identity(const CardDump &dump, const CardIdentity &kept,
                   std::vector<std::string> &warnings);

}  // namespace cardkit::codec
