// Mifare Classic dumps as text, one block a line in 32 hex digits.

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit::codec {

CardDump read_eml(std::string_view content) {
    std::vector<Bytes> blocks;
    const auto lines = split_lines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = trim(lines[i]);
        if (text.empty()) continue;
        auto bytes = parse_hex(text);
        if (!bytes || bytes->size() != kMifareBlockSize) {
            throw FormatError(line_prefix(i) + "not a block of 32 hex digits");
        }
        blocks.push_back(std::move(*bytes));
        if (blocks.size() > 256) throw FormatError(line_prefix(i) + "more than 256 blocks");
    }
    const auto type = mifare_type_from_block_count(static_cast<int>(blocks.size()));
    if (!type) {
        throw FormatError(std::to_string(blocks.size()) +
                          " blocks is no Mifare Classic size (20, 64, 128 or 256)");
    }
    CardDump dump = CardDump::mifare_classic(*type);
    for (std::size_t block = 0; block < blocks.size(); ++block) {
        dump.set_block(static_cast<int>(block), blocks[block]);
    }
    dump.set_identity(identity_in_blocks(dump));
    return dump;
}

ExportedDump write_eml(const CardDump &dump) {
    require_mifare_classic(dump, DumpFormat::Eml);
    ExportedDump out;
    for (int block = 0; block < dump.block_count(); ++block) {
        out.content += to_hex(dump.block(block)) + "\n";
    }
    warn_unknown_bytes(dump, out.warnings);
    warn_identity(dump, identity_in_blocks(dump), out.warnings);
    return out;
}

}  // namespace cardkit::codec
