// Mifare Classic dumps as sectors: a "+Sector: N" line, then the sector's blocks
// in 32 upper-case hex digits, "--" for a byte that could not be read. A sector
// left out is unknown; the highest sector present tells the card's size.

#include <map>

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit::codec {

namespace {

constexpr std::string_view kSectorHeader = "+Sector:";
constexpr int kHighestSector = 39;

}  // namespace

CardDump read_mct(std::string_view content) {
    std::map<int, std::vector<BlockText>> sectors;
    std::vector<BlockText> *current = nullptr;
    int current_sector = -1;
    const auto lines = split_lines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = trim(lines[i]);
        if (text.empty()) continue;
        if (text.starts_with(kSectorHeader)) {
            const auto sector =
                parse_decimal(trim(text.substr(kSectorHeader.size())), kHighestSector);
            if (!sector) throw FormatError(line_prefix(i) + "no sector 0 to 39 after \"+Sector:\"");
            if (sectors.contains(*sector)) {
                throw FormatError(line_prefix(i) + "sector " + std::to_string(*sector) +
                                  " appears twice");
            }
            current_sector = *sector;
            current = &sectors[current_sector];
            continue;
        }
        if (current == nullptr)
            throw FormatError(line_prefix(i) + "a block before any \"+Sector:\"");
        if (current->size() == static_cast<std::size_t>(blocks_in_sector(current_sector))) {
            throw FormatError(line_prefix(i) + "sector " + std::to_string(current_sector) +
                              " has more than " + std::to_string(blocks_in_sector(current_sector)) +
                              " blocks");
        }
        auto block = parse_block_text(text, kMifareBlockSize, "--", '\0');
        if (!block) {
            throw FormatError(line_prefix(i) + "not a block of 32 hex digits (\"--\" unknown)");
        }
        current->push_back(std::move(*block));
    }
    if (sectors.empty()) throw FormatError("no \"+Sector:\" line");
    for (const auto &[sector, blocks] : sectors) {
        if (blocks.size() != static_cast<std::size_t>(blocks_in_sector(sector))) {
            throw FormatError("sector " + std::to_string(sector) + " has " +
                              std::to_string(blocks.size()) + " blocks, not " +
                              std::to_string(blocks_in_sector(sector)));
        }
    }
    const int highest = sectors.rbegin()->first;
    CardDump dump = CardDump::mifare_classic(*mifare_type_holding(trailer_block(highest) + 1));
    for (const auto &[sector, blocks] : sectors) {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            apply_block_text(dump, first_block(sector) + static_cast<int>(i), blocks[i]);
        }
    }
    dump.set_identity(identity_in_blocks(dump));
    return dump;
}

ExportedDump write_mct(const CardDump &dump) {
    require_mifare_classic(dump, DumpFormat::Mct);
    ExportedDump out;
    // Every sector is written, unknown ones as dashes, so the size reads back.
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        out.content += std::string(kSectorHeader) + " " + std::to_string(sector) + "\n";
        for (int block = first_block(sector); block <= trailer_block(sector); ++block) {
            out.content += block_text(dump, block, "--", '\0') + "\n";
        }
    }
    warn_identity(dump, identity_in_blocks(dump), out.warnings);
    return out;
}

}  // namespace cardkit::codec
