#pragma once

// Dump files, read and written. Each format keeps what it can hold exactly, so a
// dump written and read back is the same dump unless the export warned:
//   raw   .mfd .bin .dump: the blocks back to back (Mifare Classic 320, 1024, 2048
//         or 4096 bytes; Ultralight 64; SR176 32; SRIX4K 512, or 516 with the
//         system block last; ISO 15693 any whole number of blocks, family named);
//   eml   Mifare Classic, one block a line, 32 hex digits;
//   mct   Mifare Classic, "+Sector: N" then the sector's blocks, "--" for an
//         unknown byte;
//   json  the JSON layout that common tools exchange ("FileType": "mfc v2"), and
//         the same shape for the other families;
//   nfc   the key/value text layout, version 4, Mifare Classic, "??" unknown.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/dump.h"

namespace cardkit {

enum class DumpFormat { Raw, Eml, Mct, Json, Nfc };

// "raw", "eml", "mct", "json", "nfc".
std::string_view format_name(DumpFormat format);
// A format's name or a file extension without its dot ("bin", "mfd", "dump"),
// either case; nullopt when neither.
std::optional<DumpFormat> format_from_name(std::string_view name);
// The format a file name's extension names, nullopt when it names none.
std::optional<DumpFormat> format_from_file_name(std::string_view file_name);

// The file name's extension when it names a format, otherwise the content's own
// marks ('{', a "Filetype:" or "Device type:" line, "+Sector:", lines of 32 hex
// digits, a raw size). FormatError when neither tells.
DumpFormat detect_format(std::string_view content, std::string_view file_name = {});

struct ImportOptions {
    std::optional<DumpFormat> format{};  // otherwise detect_format
    // Raw files only: the family when the size leaves it open (ISO 15693 always),
    // and the block size of an ISO 15693 file.
    std::optional<CardFamily> family{};
    int iso15693_block_size = 4;
};

// FormatError, saying where and why, for anything the format does not allow:
// wrong sizes, bad hex, a file that holds another card family or disagrees with
// itself (blocks beyond the card, a block or sector twice).
CardDump import_dump(std::string_view content, std::string_view file_name = {},
                     const ImportOptions &options = {});

struct ExportedDump {
    std::string content;
    // What the file does not keep (unknown bytes written as 00, the card's
    // identity, ...), one sentence each; empty when it keeps everything.
    std::vector<std::string> warnings;
};

// FormatError when the format cannot hold the dump's family at all.
ExportedDump export_dump(const CardDump &dump, DumpFormat format);

}  // namespace cardkit
