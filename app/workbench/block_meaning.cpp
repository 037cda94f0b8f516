#include "workbench/block_meaning.h"

#include <algorithm>

#include "cardkit/access_bits.h"
#include "cardkit/manufacturer_block.h"
#include "cardkit/value_block.h"

namespace tilvane {

namespace {

using cardkit::CardDump;
using cardkit::CardFamily;

constexpr int kSectionBlocks = 16;

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Hex(cardkit::ByteView bytes) { return Text(cardkit::to_hex(bytes)); }
QString Hex(std::uint8_t byte) { return Hex(cardkit::ByteView(&byte, 1)); }

bool Known(const CardDump &dump, int block, int offset, int count) {
    for (int i = offset; i < offset + count; ++i) {
        if (!BlockByteKnown(dump, block, i)) return false;
    }
    return true;
}

// The bytes [offset, offset + count) of a block as hex, or "unknown".
QString Part(const CardDump &dump, int block, int offset, int count) {
    if (!Known(dump, block, offset, count)) return QStringLiteral("unknown");
    const std::vector<std::uint8_t> bytes = BlockBytes(dump, block);
    return Hex(cardkit::ByteView(bytes).subspan(static_cast<std::size_t>(offset),
                                                static_cast<std::size_t>(count)));
}

BlockMeaning Make(BlockKind kind, const QString &marker, const QString &meaning,
                  std::vector<ByteRole> roles) {
    return {kind, marker, meaning, std::move(roles), false};
}

// Unknown bytes keep no other role: the view shows them as unknown whatever the
// block is.
void MarkUnknownBytes(const CardDump &dump, int block, BlockMeaning &meaning) {
    for (std::size_t i = 0; i < meaning.roles.size(); ++i) {
        if (!BlockByteKnown(dump, block, static_cast<int>(i))) meaning.roles[i] = ByteRole::Unknown;
    }
}

void MarkLocked(BlockMeaning &meaning, bool locked, const QString &how) {
    if (!locked) return;
    meaning.locked = true;
    meaning.marker += QStringLiteral(", LOCKED");
    meaning.meaning += QStringLiteral("; ") + how;
}

// Printable text in a data block, shown beside it when most of it reads as text.
QString PrintableText(const std::vector<std::uint8_t> &bytes) {
    QString text;
    int printable = 0;
    for (const std::uint8_t byte : bytes) {
        const bool shown = byte >= 0x20 && byte < 0x7F;
        printable += shown;
        text += shown ? QChar(byte) : QChar(u'.');
    }
    return printable * 2 >= static_cast<int>(bytes.size()) && printable > 0 ? text : QString();
}

BlockMeaning DataBlock(const CardDump &dump, int block) {
    const int size = BlockSize(dump, block);
    if (dump.block_unknown(block)) {
        return Make(BlockKind::Unknown, QStringLiteral("UNKNOWN"), QStringLiteral("not read"),
                    std::vector<ByteRole>(static_cast<std::size_t>(size), ByteRole::Unknown));
    }
    BlockMeaning meaning =
        Make(BlockKind::Data, QStringLiteral("DATA"), QStringLiteral("data"),
             std::vector<ByteRole>(static_cast<std::size_t>(size), ByteRole::Data));
    if (!dump.block_known(block)) {
        meaning.marker = QStringLiteral("DATA, PART UNKNOWN");
        meaning.meaning = QStringLiteral("data, some bytes not read");
    } else if (const QString text = PrintableText(BlockBytes(dump, block)); !text.isEmpty()) {
        meaning.meaning = QStringLiteral("data: \"%1\"").arg(text);
    }
    MarkUnknownBytes(dump, block, meaning);
    return meaning;
}

// --- Mifare Classic --------------------------------------------------------

BlockMeaning MifareManufacturer(const CardDump &dump) {
    std::vector<ByteRole> roles(16, ByteRole::Maker);
    if (!dump.block_known(0)) {
        BlockMeaning meaning = Make(BlockKind::Manufacturer, QStringLiteral("MAKER"),
                                    QStringLiteral("manufacturer block, not all read"), roles);
        MarkUnknownBytes(dump, 0, meaning);
        if (dump.block_unknown(0)) {
            meaning.kind = BlockKind::Unknown;
            meaning.marker = QStringLiteral("UNKNOWN");
            meaning.meaning = QStringLiteral("manufacturer block, not read");
        }
        return meaning;
    }
    const int uid_size = dump.identity().uid.size() == 7 ? 7 : 4;
    const auto block = cardkit::decode_manufacturer_block(dump.block(0), uid_size);
    QString meaning = QStringLiteral("UID %1").arg(Hex(block->uid));
    if (block->check_byte) {
        const std::uint8_t wanted = cardkit::uid_check_byte(block->uid);
        meaning += block->check_byte_valid
                       ? QStringLiteral(", check byte %1").arg(Hex(*block->check_byte))
                       : QStringLiteral(", check byte %1 WRONG (the UID makes %2)")
                             .arg(Hex(*block->check_byte), Hex(wanted));
    }
    meaning += QStringLiteral(", SAK %1, ATQA %2, maker's data %3")
                   .arg(Hex(block->sak), Hex(block->atqa), Hex(block->maker_data));
    return Make(BlockKind::Manufacturer, QStringLiteral("MAKER"), meaning, roles);
}

BlockMeaning MifareTrailer(const CardDump &dump, int block) {
    std::vector<ByteRole> roles(16, ByteRole::KeyB);
    std::fill(roles.begin(), roles.begin() + 6, ByteRole::KeyA);
    std::fill(roles.begin() + 6, roles.begin() + 9, ByteRole::AccessBits);
    roles[9] = ByteRole::UserByte;
    if (dump.block_unknown(block)) {
        return Make(BlockKind::Unknown, QStringLiteral("UNKNOWN"),
                    QStringLiteral("sector trailer, not read"),
                    std::vector<ByteRole>(16, ByteRole::Unknown));
    }
    const int sector = cardkit::sector_of_block(block);
    QString access = Part(dump, block, cardkit::kTrailerAccessBits, 3);
    if (Known(dump, block, cardkit::kTrailerAccessBits, 3)) {
        access += dump.access_bits(sector) ? QString() : QStringLiteral(" (INVALID)");
    }
    BlockMeaning meaning = Make(BlockKind::Trailer, QStringLiteral("TRAILER"),
                                QStringLiteral("key A %1, access bits %2, user byte %3, key B %4")
                                    .arg(Part(dump, block, cardkit::kTrailerKeyA, 6), access,
                                         Part(dump, block, cardkit::kTrailerUserByte, 1),
                                         Part(dump, block, cardkit::kTrailerKeyB, 6)),
                                roles);
    MarkUnknownBytes(dump, block, meaning);
    return meaning;
}

BlockMeaning MifareBlock(const CardDump &dump, int block) {
    if (block == 0) return MifareManufacturer(dump);
    if (cardkit::is_trailer(block)) return MifareTrailer(dump, block);
    if (dump.block_known(block)) {
        if (const auto value = cardkit::decode_value_block(dump.block(block))) {
            std::vector<ByteRole> roles(16, ByteRole::Value);
            return Make(
                BlockKind::Value, QStringLiteral("VALUE"),
                QStringLiteral("value %1, address %2").arg(value->value).arg(Hex(value->address)),
                roles);
        }
    }
    return DataBlock(dump, block);
}

// --- Ultralight --------------------------------------------------------------

// Lock byte 0 bits 3-7 lock pages 3-7, lock byte 1 bits 0-7 pages 8-15.
std::optional<bool> UltralightPageLocked(const CardDump &dump, int page) {
    if (page < 3 || !Known(dump, 2, 2, 2)) return std::nullopt;
    const std::vector<std::uint8_t> lock = BlockBytes(dump, 2);
    return page < 8 ? ((lock[2] >> page) & 1) != 0 : ((lock[3] >> (page - 8)) & 1) != 0;
}

QString LockedList(const std::vector<int> &pages, const QString &noun) {
    if (pages.empty()) return QStringLiteral("no %1 locked").arg(noun);
    QStringList numbers;
    for (const int page : pages) numbers << QString::number(page);
    return QStringLiteral("%1%2 %3 locked")
        .arg(noun, pages.size() == 1 ? QString() : QStringLiteral("s"),
             numbers.join(QStringLiteral(", ")));
}

BlockMeaning UltralightPage(const CardDump &dump, int page) {
    if (page > 3) {
        BlockMeaning meaning = DataBlock(dump, page);
        const auto locked = UltralightPageLocked(dump, page);
        MarkLocked(meaning, locked.value_or(false), QStringLiteral("its lock bit is set"));
        return meaning;
    }
    if (dump.block_unknown(page)) return DataBlock(dump, page);
    const auto identity = Known(dump, 0, 0, 4) && Known(dump, 1, 0, 4) && Known(dump, 2, 0, 1)
                              ? cardkit::decode_ultralight_identity([&] {
                                    std::vector<std::uint8_t> pages;
                                    for (int p = 0; p < 3; ++p) {
                                        const auto bytes = BlockBytes(dump, p);
                                        pages.insert(pages.end(), bytes.begin(), bytes.end());
                                    }
                                    return pages;
                                }())
                              : std::nullopt;
    const QString checks = !identity                     ? QString()
                           : identity->check_bytes_valid ? QStringLiteral(" (check bytes valid)")
                                                         : QStringLiteral(" (check bytes WRONG)");
    BlockMeaning meaning;
    switch (page) {
        case 0:
            meaning = Make(BlockKind::Manufacturer, QStringLiteral("UID"),
                           QStringLiteral("UID0-2 %1, check byte %2%3")
                               .arg(Part(dump, 0, 0, 3), Part(dump, 0, 3, 1), checks),
                           std::vector<ByteRole>(4, ByteRole::Maker));
            break;
        case 1:
            meaning = Make(BlockKind::Manufacturer, QStringLiteral("UID"),
                           QStringLiteral("UID3-6 %1").arg(Part(dump, 1, 0, 4)),
                           std::vector<ByteRole>(4, ByteRole::Maker));
            break;
        case 2: {
            std::vector<int> locked;
            for (int p = 3; p < 16; ++p) {
                if (UltralightPageLocked(dump, p).value_or(false)) locked.push_back(p);
            }
            const QString pages = Known(dump, 2, 2, 2) ? LockedList(locked, QStringLiteral("page"))
                                                       : QStringLiteral("lock state unknown");
            meaning = Make(BlockKind::Lock, QStringLiteral("LOCK"),
                           QStringLiteral("check byte %1%2, internal %3, lock bytes %4: %5")
                               .arg(Part(dump, 2, 0, 1), checks, Part(dump, 2, 1, 1),
                                    Part(dump, 2, 2, 2), pages),
                           {ByteRole::Maker, ByteRole::Maker, ByteRole::Lock, ByteRole::Lock});
            break;
        }
        default:
            meaning = Make(BlockKind::Otp, QStringLiteral("OTP"),
                           QStringLiteral("one-time programmable %1: bits are only ever set")
                               .arg(Part(dump, 3, 0, 4)),
                           std::vector<ByteRole>(4, ByteRole::Otp));
            MarkLocked(meaning, UltralightPageLocked(dump, 3).value_or(false),
                       QStringLiteral("its lock bit is set"));
            break;
    }
    MarkUnknownBytes(dump, page, meaning);
    return meaning;
}

// --- SRIX4K -----------------------------------------------------------------

constexpr int kSrixCounterFirst = 5;
constexpr int kSrixLockableFirst = 7;
constexpr int kSrixLockableLast = 15;

// Lock register bit 0 at 0 protects blocks 7 and 8, bit n (1..7) block 8 + n.
std::optional<bool> SrixBlockLocked(const CardDump &dump, int block) {
    if (block < kSrixLockableFirst || block > kSrixLockableLast || !dump.system_block()) {
        return std::nullopt;
    }
    const int bit = block <= 8 ? 0 : block - 8;
    return (((*dump.system_block())[0] >> bit) & 1) == 0;
}

BlockMeaning SrixBlock(const CardDump &dump, int block) {
    if (block == kSystemBlockRow) {
        if (!dump.system_block()) {
            return Make(BlockKind::Unknown, QStringLiteral("UNKNOWN"),
                        QStringLiteral("system area, not read"),
                        std::vector<ByteRole>(4, ByteRole::Unknown));
        }
        std::vector<int> locked;
        for (int b = kSrixLockableFirst; b <= kSrixLockableLast; ++b) {
            if (SrixBlockLocked(dump, b).value_or(false)) locked.push_back(b);
        }
        return Make(
            BlockKind::System, QStringLiteral("SYSTEM"),
            QStringLiteral("system area: lock register %1: %2")
                .arg(Hex((*dump.system_block())[0]), LockedList(locked, QStringLiteral("block"))),
            {ByteRole::Lock, ByteRole::Maker, ByteRole::Maker, ByteRole::Maker});
    }
    if (dump.block_unknown(block) || block >= kSrixLockableFirst) {
        BlockMeaning meaning = DataBlock(dump, block);
        MarkLocked(meaning, SrixBlockLocked(dump, block).value_or(false),
                   QStringLiteral("the lock register protects it"));
        return meaning;
    }
    BlockMeaning meaning;
    if (block < kSrixCounterFirst) {
        meaning = Make(BlockKind::Otp, QStringLiteral("OTP"),
                       QStringLiteral("resettable one-time programmable: a write only clears bits"),
                       std::vector<ByteRole>(4, ByteRole::Otp));
    } else {
        QString count = QStringLiteral("unknown");
        if (dump.block_known(block)) {
            const cardkit::ByteView bytes = dump.block(block);
            const std::uint32_t value = static_cast<std::uint32_t>(bytes[0]) << 24 |
                                        static_cast<std::uint32_t>(bytes[1]) << 16 |
                                        static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
            count = QString::number(value);
        }
        meaning = Make(BlockKind::Counter, QStringLiteral("COUNTER"),
                       QStringLiteral("count-down counter %1: a write only lowers it").arg(count),
                       std::vector<ByteRole>(4, ByteRole::Counter));
    }
    MarkUnknownBytes(dump, block, meaning);
    return meaning;
}

// --- SR176 ------------------------------------------------------------------

constexpr int kSr176LockBlock = 15;

// Lock byte bit n protects blocks 2n and 2n + 1.
std::optional<bool> Sr176BlockLocked(const CardDump &dump, int block) {
    if (!Known(dump, kSr176LockBlock, 0, 1)) return std::nullopt;
    return ((dump.block(kSr176LockBlock)[0] >> (block / 2)) & 1) != 0;
}

BlockMeaning Sr176Block(const CardDump &dump, int block) {
    if (dump.block_unknown(block)) return DataBlock(dump, block);
    BlockMeaning meaning;
    if (block < 4) {
        meaning =
            Make(BlockKind::Manufacturer, QStringLiteral("UID"),
                 QStringLiteral("UID, bits %1-%2 (read-only)").arg(16 * block).arg(16 * block + 15),
                 std::vector<ByteRole>(2, ByteRole::Maker));
    } else if (block == kSr176LockBlock) {
        std::vector<int> locked;
        for (int b = 0; b < kSr176LockBlock; ++b) {
            if (Sr176BlockLocked(dump, b).value_or(false)) locked.push_back(b);
        }
        const QString chip =
            Known(dump, block, 1, 1) ? Hex(dump.block(block)[1] & 0x0F) : QStringLiteral("unknown");
        meaning =
            Make(BlockKind::Lock, QStringLiteral("LOCK"),
                 QStringLiteral("lock byte %1: %2; chip ID %3")
                     .arg(Part(dump, block, 0, 1),
                          Known(dump, block, 0, 1) ? LockedList(locked, QStringLiteral("block"))
                                                   : QStringLiteral("lock state unknown"),
                          chip),
                 {ByteRole::Lock, ByteRole::Maker});
    } else {
        meaning = DataBlock(dump, block);
        MarkLocked(meaning, Sr176BlockLocked(dump, block).value_or(false),
                   QStringLiteral("the lock byte protects it"));
        return meaning;
    }
    MarkUnknownBytes(dump, block, meaning);
    return meaning;
}

// --- ISO 15693 --------------------------------------------------------------

BlockMeaning Iso15693Block(const CardDump &dump, int block) {
    BlockMeaning meaning = DataBlock(dump, block);
    const auto &security = dump.block_security();
    if (!security) {
        meaning.meaning += QStringLiteral("; security status unknown");
        return meaning;
    }
    const std::uint8_t status = (*security)[static_cast<std::size_t>(block)];
    if (status == 0) {
        meaning.meaning += QStringLiteral("; security status 00, unlocked");
    } else {
        MarkLocked(meaning, true, QStringLiteral("security status %1, locked").arg(Hex(status)));
    }
    return meaning;
}

}  // namespace

BlockMeaning DescribeBlock(const CardDump &dump, int block) {
    switch (dump.family()) {
        case CardFamily::MifareClassic:
            return MifareBlock(dump, block);
        case CardFamily::Ultralight:
            return UltralightPage(dump, block);
        case CardFamily::Srix4k:
            return SrixBlock(dump, block);
        case CardFamily::Sr176:
            return Sr176Block(dump, block);
        case CardFamily::Iso15693:
            break;
    }
    return Iso15693Block(dump, block);
}

QStringList AccessInWords(const CardDump &dump, int block) {
    if (dump.family() != CardFamily::MifareClassic) return {};
    const int sector = cardkit::sector_of_block(block);
    const int trailer = cardkit::trailer_block(sector);
    const int blocks = cardkit::blocks_in_sector(sector);
    QStringList lines;
    if (!Known(dump, trailer, cardkit::kTrailerAccessBits, 3)) {
        lines << QStringLiteral(
            "access conditions unknown: the sector's access bits were not read");
        return lines;
    }
    const auto access = dump.access_bits(sector);
    if (!access) {
        lines << QStringLiteral(
            "the sector's access bits are invalid (their inverted copies "
            "disagree): the card refuses the whole sector");
        return lines;
    }
    const int group = cardkit::access_group(block - cardkit::first_block(sector), blocks);
    const cardkit::AccessCondition condition = access->groups[static_cast<std::size_t>(group)];
    const QString bits = Text(cardkit::condition_bits(condition));
    if (block == trailer) {
        lines << QStringLiteral("trailer (%1): %2")
                     .arg(bits, Text(cardkit::describe_trailer(condition)));
    } else {
        lines << QStringLiteral("block %1 (%2): %3")
                     .arg(block)
                     .arg(bits, Text(cardkit::describe_data_block(condition)));
        if (cardkit::key_b_readable(access->groups[3])) {
            lines << QStringLiteral("key B of this sector is readable, so only key A opens it");
        }
        if (block == 0) {
            lines << QStringLiteral("block 0 of most cards is written once, at the factory");
        }
    }
    return lines;
}

QString BlockLabel(const CardDump &dump, int block) {
    if (block == kSystemBlockRow) return QStringLiteral("System block");
    return (dump.family() == CardFamily::Ultralight ? QStringLiteral("Page %1")
                                                    : QStringLiteral("Block %1"))
        .arg(block);
}

bool HasBlock(const CardDump &dump, int block) {
    if (block == kSystemBlockRow) return dump.family() == CardFamily::Srix4k;
    return block >= 0 && block < dump.block_count();
}

int BlockSize(const CardDump &dump, int block) {
    return block == kSystemBlockRow ? 4 : dump.block_size();
}

bool BlockByteKnown(const CardDump &dump, int block, int offset) {
    if (block == kSystemBlockRow) return dump.system_block().has_value();
    return dump.byte_known(block, offset);
}

std::vector<std::uint8_t> BlockBytes(const CardDump &dump, int block) {
    if (block == kSystemBlockRow) {
        const auto &system = dump.system_block();
        return system ? std::vector<std::uint8_t>(system->begin(), system->end())
                      : std::vector<std::uint8_t>(4, 0);
    }
    const cardkit::ByteView bytes = dump.block(block);
    return {bytes.begin(), bytes.end()};
}

QString BlockHex(const CardDump &dump, int block) {
    const std::vector<std::uint8_t> bytes = BlockBytes(dump, block);
    QStringList parts;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        parts << (BlockByteKnown(dump, block, static_cast<int>(i)) ? Hex(bytes[i])
                                                                   : QStringLiteral("--"));
    }
    return parts.join(u' ');
}

std::vector<Section> SectionsOf(const CardDump &dump) {
    std::vector<Section> sections;
    if (dump.family() == CardFamily::MifareClassic) {
        for (int sector = 0; sector < dump.sector_count(); ++sector) {
            Section section{QStringLiteral("Sector %1").arg(sector), {}};
            const int first = cardkit::first_block(sector);
            for (int block = first; block < first + cardkit::blocks_in_sector(sector); ++block) {
                section.rows.push_back(block);
            }
            sections.push_back(std::move(section));
        }
        return sections;
    }
    const QString noun = dump.family() == CardFamily::Ultralight ? QStringLiteral("Pages")
                                                                 : QStringLiteral("Blocks");
    for (int first = 0; first < dump.block_count(); first += kSectionBlocks) {
        const int last = std::min(first + kSectionBlocks, dump.block_count()) - 1;
        Section section{first == last ? QStringLiteral("%1 %2").arg(noun.chopped(1)).arg(first)
                                      : QStringLiteral("%1 %2-%3").arg(noun).arg(first).arg(last),
                        {}};
        for (int block = first; block <= last; ++block) section.rows.push_back(block);
        sections.push_back(std::move(section));
    }
    if (dump.family() == CardFamily::Srix4k) {
        sections.push_back({QStringLiteral("System area"), {kSystemBlockRow}});
    }
    return sections;
}

int SectionOf(const std::vector<Section> &sections, int block) {
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const auto &rows = sections[i].rows;
        if (std::find(rows.begin(), rows.end(), block) != rows.end()) return static_cast<int>(i);
    }
    return -1;
}

QString CardSummary(const CardDump &dump) {
    QString text = Text(dump.description());
    const cardkit::CardIdentity &identity = dump.identity();
    if (!identity.uid.empty()) text += QStringLiteral(", UID %1").arg(Hex(identity.uid));
    if (identity.atqa) text += QStringLiteral(", ATQA %1").arg(Hex(*identity.atqa));
    if (identity.sak) text += QStringLiteral(", SAK %1").arg(Hex(*identity.sak));
    if (identity.dsfid) text += QStringLiteral(", DSFID %1").arg(Hex(*identity.dsfid));
    if (identity.afi) text += QStringLiteral(", AFI %1").arg(Hex(*identity.afi));
    return text;
}

QString ByteRoleName(ByteRole role) {
    switch (role) {
        case ByteRole::Maker:
            return QStringLiteral("UID/maker");
        case ByteRole::Data:
            return QStringLiteral("data");
        case ByteRole::Value:
            return QStringLiteral("value block");
        case ByteRole::KeyA:
            return QStringLiteral("key A");
        case ByteRole::AccessBits:
            return QStringLiteral("access bits");
        case ByteRole::UserByte:
            return QStringLiteral("user byte");
        case ByteRole::KeyB:
            return QStringLiteral("key B");
        case ByteRole::Lock:
            return QStringLiteral("lock bits");
        case ByteRole::Otp:
            return QStringLiteral("one-time programmable");
        case ByteRole::Counter:
            return QStringLiteral("counter");
        case ByteRole::Unknown:
            break;
    }
    return QStringLiteral("unknown");
}

}  // namespace tilvane
