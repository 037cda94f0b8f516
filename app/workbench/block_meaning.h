#pragma once

// What each block of a dump is, decoded for the workbench's view: its kind (the
// manufacturer block, a value block, a trailer, lock bytes, ...), a marker word
// that tells the kinds apart without colour, the meaning in words, the role of
// each of its bytes (which the view colours), and for Mifare Classic the access
// conditions in words. Also how the blocks fall into sections: a Mifare
// Classic card's sectors, sixteen blocks at a time on the other families, and the
// SRIX4K's system area. The workbench reaches cardkit's decoding through these.

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "cardkit/dump.h"

namespace tilvane {

// The SRIX4K's system block, which lies outside the numbered blocks.
inline constexpr int kSystemBlockRow = -1;

enum class BlockKind { Manufacturer, Data, Value, Trailer, Lock, Otp, Counter, System, Unknown };

// What a byte holds; the view colours bytes by role.
enum class ByteRole {
    Maker,
    Data,
    Value,
    KeyA,
    AccessBits,
    UserByte,
    KeyB,
    Lock,
    Otp,
    Counter,
    Unknown
};

struct BlockMeaning {
    BlockKind kind = BlockKind::Unknown;
    QString marker;               // "MAKER", "VALUE", "TRAILER", ..., with ", LOCKED" where it is
    QString meaning;              // "value 100, address 04"
    std::vector<ByteRole> roles;  // one a byte of the block
    bool locked = false;          // write-protected on the card, as far as the dump tells
};

// `block` is a block of the dump or kSystemBlockRow (SRIX4K only).
BlockMeaning DescribeBlock(const cardkit::CardDump &dump, int block);

// The access conditions of a Mifare Classic block in words: its group's bits
// and rights ("block 5 (000): read by key A or B, ..."), or why they are not
// known. Empty for the other families.
QStringList AccessInWords(const cardkit::CardDump &dump, int block);

// "Block 4", "Page 4" (Ultralight), "System block".
QString BlockLabel(const cardkit::CardDump &dump, int block);
// The block's bytes (kSystemBlockRow: the system block's), which of them are
// known, and as text: two digits a byte, "--" for an unknown one, spaced.
int BlockSize(const cardkit::CardDump &dump, int block);
bool BlockByteKnown(const cardkit::CardDump &dump, int block, int offset);
std::vector<std::uint8_t> BlockBytes(const cardkit::CardDump &dump, int block);
QString BlockHex(const cardkit::CardDump &dump, int block);
// True when the row exists in the dump.
bool HasBlock(const cardkit::CardDump &dump, int block);

struct Section {
    QString title;          // "Sector 3", "Blocks 16-31", "System area"
    std::vector<int> rows;  // block numbers, or kSystemBlockRow
};
std::vector<Section> SectionsOf(const cardkit::CardDump &dump);
// The section that holds `block`, -1 when none.
int SectionOf(const std::vector<Section> &sections, int block);

// "Mifare Classic 1K, UID 5A3C71E2, ATQA 0400, SAK 08".
QString CardSummary(const cardkit::CardDump &dump);

// Words for the legend and for screen readers: "UID/maker", "value", "key A", ...
QString ByteRoleName(ByteRole role);

}  // namespace tilvane
