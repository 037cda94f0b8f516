// Mifare Classic dumps as MIFARE Classic Tool writes them: a "+Sector: N" line,
// then the sector's blocks in 32 hex digits, "--" for a byte that could not be
// read; a sector it could not read at all holds the single line
// "*No keys found or dead sector". Lines starting with '#' are comments. A
// sector left out is unknown; the highest sector present and the SAK in block 0
// tell the card's size.

#include <map>

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit::codec {

namespace {

constexpr std::string_view kSectorHeader = "+Sector:";
constexpr int kHighestSector = 39;

struct SectorText {
    std::size_t header_line = 0;
    bool dead = false;  // the tool's '*' line: no key opened it
    std::vector<BlockText> blocks;
};

}  // namespace

CardDump read_mct(std::string_view content, const ImportOptions &options) {
    std::map<int, SectorText> sectors;
    SectorText *current = nullptr;
    int current_sector = -1;
    const auto lines = split_lines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = trim(lines[i]);
        if (text.empty() || text.front() == '#') continue;
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
            current->header_line = i;
            continue;
        }
        if (current == nullptr)
            throw FormatError(line_prefix(i) + "a block before any \"+Sector:\"");
        if (text.front() == '*') {
            if (!current->blocks.empty() || current->dead) {
                throw FormatError(line_prefix(i) + "sector " + std::to_string(current_sector) +
                                  " is marked unreadable after other lines");
            }
            current->dead = true;
            continue;
        }
        if (current->dead ||
            current->blocks.size() == static_cast<std::size_t>(blocks_in_sector(current_sector))) {
            throw FormatError(
                line_prefix(i) + "sector " + std::to_string(current_sector) + " has more than " +
                std::to_string(current->dead ? 0 : blocks_in_sector(current_sector)) + " blocks");
        }
        auto block = parse_block_text(text, kMifareBlockSize, "--", '\0');
        if (!block) {
            throw FormatError(line_prefix(i) + "not a block of 32 hex digits (\"--\" unknown)");
        }
        current->blocks.push_back(std::move(*block));
    }
    if (sectors.empty()) throw FormatError("no \"+Sector:\" line");
    MifareSizeEvidence evidence;
    for (const auto &[sector, text] : sectors) {
        if (!text.dead &&
            text.blocks.size() != static_cast<std::size_t>(blocks_in_sector(sector))) {
            throw FormatError("sector " + std::to_string(sector) + " has " +
                              std::to_string(text.blocks.size()) + " blocks, not " +
                              std::to_string(blocks_in_sector(sector)));
        }
        for (std::size_t i = 0; i < text.blocks.size(); ++i) {
            if (!any_known(text.blocks[i])) continue;
            evidence.highest_known = first_block(sector) + static_cast<int>(i);
            evidence.highest_where = "line " + std::to_string(text.header_line + 1);
        }
    }
    // Every sector present shows the card has it, even one of dashes alone.
    evidence.extent = mifare_type_holding(trailer_block(sectors.rbegin()->first) + 1);
    const SectorText &first = sectors.begin()->second;
    if (sectors.begin()->first == 0 && !first.blocks.empty() &&
        first.blocks[0].known == Bytes(kMifareBlockSize, 1)) {
        evidence.block0_sak = block0_sak(first.blocks[0].bytes);
    }
    CardDump dump = CardDump::mifare_classic(choose_mifare_type(options, evidence));
    for (const auto &[sector, text] : sectors) {
        for (std::size_t i = 0; i < text.blocks.size(); ++i) {
            apply_block_text(dump, first_block(sector) + static_cast<int>(i), text.blocks[i]);
        }
    }
    dump.set_identity(uid_in_blocks(dump));
    return dump;
}

ExportedDump write_mct(const CardDump &dump) {
    ExportedDump out;
    // Every sector is written, unknown ones as dashes, so the size reads back.
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        out.content += std::string(kSectorHeader) + " " + std::to_string(sector) + "\n";
        for (int block = first_block(sector); block <= trailer_block(sector); ++block) {
            out.content += block_text(dump, block, "--", '\0') + "\n";
        }
    }
    MifareSizeEvidence evidence;
    evidence.extent = dump.mifare_type();
    evidence.highest_known = highest_known_block(dump);
    if (dump.block_known(0)) evidence.block0_sak = block0_sak(dump.block(0));
    warn_mifare_size(dump, evidence, out.warnings);
    warn_identity(dump, uid_in_blocks(dump), out.warnings);
    warn_details(dump, {.format = "mct"}, out.warnings);
    return out;
}

}  // namespace cardkit::codec
