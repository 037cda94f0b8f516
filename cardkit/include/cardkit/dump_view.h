#pragma once

// A dump decoded for reading, as the common tools show one: for Mifare Classic
// each sector's blocks with what they are (the manufacturer block's UID, check
// byte, SAK and ATQA; value blocks' value and address), the trailer's keys and
// the access conditions in words for each block by its absolute number, with
// invalid access bits flagged; for Ultralight and NTAG the identity, lock bits
// and capability container; for ISO 15693 the lock status of each block. The
// structure carries the same facts as the text, for callers that render their
// own (JSON, a table).

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cardkit/dump.h"

namespace cardkit {

struct BlockView {
    int number = 0;
    std::string bytes;  // "5A 3C 71 E2 ...", "--" for an unknown byte
    // "manufacturer", "value", "trailer", "data"; for the other families
    // "UID", "lock and UID", "capability container", "dynamic lock", "counter",
    // "OTP", "data".
    std::string role;
    std::vector<std::string> notes;  // "value 100, address 4", "check byte F5 valid", ...
    std::optional<bool> locked;      // ISO 15693 security status, Ultralight lock bits
};

struct SectorView {
    int sector = 0;
    std::vector<BlockView> blocks;
    std::optional<std::string> key_a;  // 12 hex digits; nullopt while unknown
    std::optional<std::string> key_b;
    std::optional<std::string> access_bytes;  // trailer bytes 6 to 8 ("FF 07 80")
    bool access_valid = false;                // the inverted copies agree
    std::optional<std::string> user_byte;
    // "block 4 (000): read by key A or B, ...", "blocks 128-132 (000): ...",
    // "block 7, trailer (001): ...", absolute block numbers; empty while the
    // access bytes are unknown or invalid.
    std::vector<std::string> access;
};

struct DumpView {
    std::string card;  // dump.description()
    std::vector<std::pair<std::string, std::string>>
        facts;                        // ("UID", "5A3C71E2"), ("SAK", "08"), ...
    std::vector<SectorView> sectors;  // Mifare Classic
    std::vector<BlockView> blocks;    // the other families
    // Findings over the whole card: "sector 5: access bits invalid (the card
    // refuses the sector)", "pages 3-7 locked", "blocks 3, 5 locked", ...
    std::vector<std::string> notes;
};

DumpView view_dump(const CardDump &dump);
std::string format_dump_view(const DumpView &view);

}  // namespace cardkit
