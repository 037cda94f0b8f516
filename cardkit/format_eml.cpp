// Mifare Classic dumps as text, one block a line in 32 hex digits; lines
// starting with '#' are comments, as the Proxmark3 client reads them. A byte not
// read is "--", as MIFARE Classic Tool shows it, so a dump cut short stays
// partial instead of reading back as zeros.

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit::codec {

CardDump read_eml(std::string_view content, const ImportOptions &options) {
    std::vector<BlockText> blocks;
    int highest_known = -1;
    std::size_t highest_line = 0;
    const auto lines = split_lines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = trim(lines[i]);
        if (text.empty() || text.front() == '#') continue;
        auto block = parse_block_text(text, kMifareBlockSize, "--", '\0');
        if (!block) {
            throw FormatError(line_prefix(i) + "not a block of 32 hex digits (\"--\" unknown)");
        }
        if (any_known(*block)) {
            highest_known = static_cast<int>(blocks.size());
            highest_line = i;
        }
        blocks.push_back(std::move(*block));
        if (blocks.size() > 256) throw FormatError(line_prefix(i) + "more than 256 blocks");
    }
    const auto stated = mifare_type_from_block_count(static_cast<int>(blocks.size()));
    if (!stated && !options.mifare_type) {
        throw FormatError(std::to_string(blocks.size()) +
                          " blocks is no Mifare Classic size (20, 64, 128 or 256)");
    }
    MifareSizeEvidence evidence;
    evidence.extent = stated;
    evidence.extent_exact = true;
    evidence.highest_known = highest_known;
    evidence.highest_where = "line " + std::to_string(highest_line + 1);
    CardDump dump = CardDump::mifare_classic(choose_mifare_type(options, evidence));
    for (std::size_t block = 0; block < blocks.size(); ++block) {
        apply_block_text(dump, static_cast<int>(block), blocks[block]);
    }
    dump.set_identity(uid_in_blocks(dump));
    return dump;
}

ExportedDump write_eml(const CardDump &dump) {
    ExportedDump out;
    for (int block = 0; block < dump.block_count(); ++block) {
        out.content += block_text(dump, block, "--", '\0') + "\n";
    }
    warn_identity(dump, uid_in_blocks(dump), out.warnings);
    warn_details(dump, {.format = "eml"}, out.warnings);
    return out;
}

}  // namespace cardkit::codec
