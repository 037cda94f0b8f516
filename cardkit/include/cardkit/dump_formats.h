#pragma once

// Dump files, read and written. Each format keeps what it can hold exactly, so a
// dump written and read back is the same dump unless the export warned; a format
// that cannot hold a card family at all refuses it, naming the formats that can.
//   raw   .bin .mfd .dump: the blocks back to back. Mifare Classic 320, 1024,
//         2048 or 4096 bytes; Ultralight/NTAG pages, read with or without the
//         56-byte (or older 48-byte) header of the Proxmark3 client; SR176 32; SRIX4K
//         512, or 516 with the system block last; ISO 15693 with its family named;
//   eml   Mifare Classic, one block a line, 32 hex digits, "--" for an unknown
//         byte;
//   mct   Mifare Classic, "+Sector: N" then the sector's blocks, "--" for an
//         unknown byte;
//   json  the Proxmark3 client's JSON layouts ("mfc v2", "mfu", "15693 v4"/"v5",
//         "14b v2"), and its older layouts on reading;
//   nfc   the Flipper Zero's key/value layout, file version 4
//         (Mifare Classic, NTAG/Ultralight, ISO15693-3 and SLIX, ST25TB), and
//         versions 2 and 3 on reading.
// README.md has the table of what each format keeps of each family.

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
    // The card's size, whatever the file suggests: a Mifare Classic dump is read
    // as this size, an Ultralight one as this type. Blocks the file lacks are
    // unknown; data beyond the size is refused.
    std::optional<MifareType> mifare_type{};
    std::optional<UltralightType> ultralight_type{};
};

// FormatError, saying where and why, for anything the format does not allow:
// wrong sizes, bad hex, a file that holds another card family or disagrees with
// itself (a block or sector twice, a block beyond the size its SAK or version
// names). The size is the override's, else the one the file's SAK or version
// names, else the file's extent (grown to the size block 0 names when the file
// leaves sectors out); what the file does not give stays unknown.
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

// The formats that hold a family's dumps, in the order of DumpFormat.
std::vector<DumpFormat> formats_holding(CardFamily family);

}  // namespace cardkit
