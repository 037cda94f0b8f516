#pragma once

// The readers and writers behind import_dump and export_dump, one file each, and
// what they share: the size a file's evidence names, the identity its blocks
// carry, block text with unknown bytes, and the warnings of the writers.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/dump_formats.h"

namespace cardkit::codec {

CardDump read_raw(std::string_view content, const ImportOptions &options);
ExportedDump write_raw(const CardDump &dump);
// Whether the content's size (and for Ultralight pages their check bytes) is
// that of a raw dump of a family the size names.
bool looks_raw(std::string_view content);
CardDump read_eml(std::string_view content, const ImportOptions &options);
ExportedDump write_eml(const CardDump &dump);
CardDump read_mct(std::string_view content, const ImportOptions &options);
ExportedDump write_mct(const CardDump &dump);
CardDump read_json(std::string_view content, const ImportOptions &options);
bool is_json(std::string_view content);
ExportedDump write_json(const CardDump &dump);
CardDump read_nfc(std::string_view content, const ImportOptions &options);
ExportedDump write_nfc(const CardDump &dump);

// FormatError, naming the formats that hold the family, unless `format` does.
void require_family(const CardDump &dump, DumpFormat format);

// What a file tells of a Mifare Classic card's size. `highest_known` is the
// highest block the file gives data for (-1 for none), `highest_where` names it
// for messages ("line 70", "blocks: \"64\"").
struct MifareSizeEvidence {
    std::optional<MifareType> extent{};  // the size the file's layout shows
    bool extent_exact = false;           // a size line or a file size, not the last sector present
    std::optional<std::uint8_t> sak{};   // the SAK the file records as the card's answer
    std::string sak_where{};
    int highest_known = -1;
    std::string highest_where{};
    std::optional<std::uint8_t> block0_sak{};  // maker's data: only grows an inexact extent
};
// The override, else the size the SAK names, else the extent (or the smallest
// size holding the highest block) grown to the size block 0 names unless the
// extent is exact. FormatError for a block beyond the size chosen.
MifareType choose_mifare_type(const ImportOptions &options, const MifareSizeEvidence &evidence);

// For writers: a warning when a file showing this evidence reads back as
// another size than the dump's (or not at all).
void warn_mifare_size(const CardDump &dump, const MifareSizeEvidence &evidence,
                      std::vector<std::string> &warnings);
// The highest block with a known byte, -1 for none.
int highest_known_block(const CardDump &dump);

struct UltralightSizeEvidence {
    std::optional<UltralightType> stated{};  // a type line
    std::string stated_where{};
    std::optional<UltralightType> by_version{};
    int highest_known = -1;
    std::string highest_where{};
};
UltralightType choose_ultralight_type(const ImportOptions &options,
                                      const UltralightSizeEvidence &evidence);

// The SAK byte of a Mifare Classic block 0 with a valid check byte.
std::optional<std::uint8_t> block0_sak(ByteView block0);
// The UID the blocks carry (block 0 with a valid check byte, Ultralight pages 0
// to 2 with valid check bytes). Block 0's SAK and ATQA bytes are maker's data,
// not what the card answers, so they are left out.
CardIdentity uid_in_blocks(const CardDump &dump);

// The ATQA and SAK a card of the dump's size or type answers, for formats that
// must name them when the dump does not know them.
std::array<std::uint8_t, 2> usual_atqa(const CardDump &dump);
std::uint8_t usual_sak(const CardDump &dump);

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
bool any_known(const BlockText &text);

// "5A 3C 71 E2": bytes separated by single spaces, nullopt for anything else.
std::optional<Bytes> parse_spaced_hex(std::string_view text, int min_size, int max_size);

// Warnings shared by the writers.
void warn_unknown_bytes(const CardDump &dump, std::vector<std::string> &warnings);
// Names what of the dump's identity a file that keeps `kept` loses.
void warn_identity(const CardDump &dump, const CardIdentity &kept,
                   std::vector<std::string> &warnings);
// What a format keeps besides blocks and identity.
struct DetailsKept {
    bool ultralight_version = false;  // version, signature, counters, tearing flags
    bool ultralight_tbo = false;
    bool failed_authentications = false;
    bool iso15693_info = false;  // IC reference, DSFID and AFI locks
    bool block_security = false;
    bool system_block = false;
    std::string_view format{};  // whose FormatFields the file keeps
};
void warn_details(const CardDump &dump, const DetailsKept &kept,
                  std::vector<std::string> &warnings);

}  // namespace cardkit::codec
