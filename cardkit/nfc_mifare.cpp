// Mifare Classic as the firmware's mf_classic.c writes it (data format version
// 2): "Mifare Classic type" (MINI, 1K or 4K), "Data format version", then
// "Block 0" to the last block, "??" for an unknown byte. Data format version 1
// gave every byte and marked the keys found in "Key A map" and "Key B map",
// a bit a sector; both are read. The firmware has no 2K type: a 2K dump is
// written as a 4K whose sectors 32 to 39 are unknown, and its SAK (19) brings
// the size back on reading, as a SAK does for every size.

#include <map>

#include "nfc_layouts.h"
#include "text_lines.h"

namespace cardkit::codec::nfc_layouts {

namespace {

constexpr int kDataFormatVersion = 2;
// Sixteen unknown bytes; "?\?" keeps the compiler from reading a trigraph.
constexpr std::string_view kUnknownBlock =
    "?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\? ?\?";

std::string type_name(MifareType type) {
    if (type == MifareType::Mini) return "MINI";
    if (type == MifareType::Classic2K) return "4K";
    return std::string(mifare_type_name(type));
}

// Sectors whose key the file's "Key A map" or "Key B map" marks as not found.
std::vector<int> keys_not_found(const NfcDocument &file, std::string_view key, int sectors) {
    std::vector<int> missing;
    const NfcLine *line = file.find(key);
    if (line == nullptr) return missing;
    const auto bits = parse_hex(line->value);
    if (!bits || bits->size() != 8)
        throw FormatError(NfcDocument::where(*line) + "not 16 hex digits");
    std::uint64_t mask = 0;
    for (const std::uint8_t byte : *bits) mask = mask << 8 | byte;
    for (int sector = 0; sector < sectors; ++sector) {
        if (((mask >> sector) & 1) == 0) missing.push_back(sector);
    }
    return missing;
}

}  // namespace

CardDump read_mifare(const NfcDocument &file, int version, const ImportOptions &options) {
    CardIdentity identity;
    if (auto uid = file.hex("UID", 4, 10)) identity.uid = std::move(*uid);
    read_iso14443_3a(file, version, identity);

    MifareSizeEvidence evidence;
    const NfcLine *type_line = file.find("Mifare Classic type");
    if (type_line == nullptr) throw FormatError("no \"Mifare Classic type\" line");
    evidence.extent = mifare_type_from_name(type_line->value);
    if (!evidence.extent) {
        throw FormatError(NfcDocument::where(*type_line) + "not MINI, 1K, 2K or 4K");
    }
    evidence.extent_exact = true;
    evidence.sak = identity.sak;
    if (const NfcLine *sak = file.find("SAK"))
        evidence.sak_where = "line " + std::to_string(sak->index + 1);

    std::map<int, BlockText> blocks;
    for (const NfcLine &line : file.lines()) {
        if (!line.key.starts_with("Block ")) continue;
        const auto block = parse_decimal(line.key.substr(6), 255);
        if (!block) throw FormatError(NfcDocument::where(line) + "not a block 0 to 255");
        auto text = parse_block_text(line.value, kMifareBlockSize, "??", ' ');
        if (!text) {
            throw FormatError(NfcDocument::where(line) +
                              "not 16 bytes as hex pairs or ?? separated by spaces");
        }
        if (any_known(*text) && *block > evidence.highest_known) {
            evidence.highest_known = *block;
            evidence.highest_where = "line " + std::to_string(line.index + 1);
        }
        blocks.emplace(*block, std::move(*text));
    }
    CardDump dump = CardDump::mifare_classic(choose_mifare_type(options, evidence));
    for (const auto &[block, text] : blocks) {
        if (block < dump.block_count()) apply_block_text(dump, block, text);
    }
    if (file.decimal("Data format version", 1000).value_or(1) < kDataFormatVersion) {
        for (const auto &[key, type] :
             {std::pair{"Key A map", KeyType::A}, {"Key B map", KeyType::B}}) {
            for (const int sector : keys_not_found(file, key, dump.sector_count())) {
                dump.forget_bytes(trailer_block(sector),
                                  type == KeyType::A ? kTrailerKeyA : kTrailerKeyB, 6);
            }
        }
    }
    dump.set_identity(identity);
    return dump;
}

std::string write_mifare(const CardDump &dump, std::vector<std::string> &warnings) {
    NfcWriter out("Mifare Classic", uid_to_write(dump, 4, warnings));
    write_iso14443_3a(out, dump, warnings);
    out.comment("Mifare Classic specific data");
    out.field("Mifare Classic type", type_name(*dump.mifare_type()));
    out.field("Data format version", std::to_string(kDataFormatVersion));
    out.comment("Mifare Classic blocks, '?\?' means unknown data");
    const int blocks = block_count(
        *dump.mifare_type() == MifareType::Classic2K ? MifareType::Classic4K : *dump.mifare_type());
    for (int block = 0; block < blocks; ++block) {
        out.field("Block " + std::to_string(block),
                  block < dump.block_count() ? block_text(dump, block, "??", ' ') : kUnknownBlock);
    }
    if (*dump.mifare_type() == MifareType::Classic2K) {
        warnings.push_back(
            "the format has no 2K type: the file holds a 4K whose sectors 32 to 39 "
            "are unknown, and its SAK names the 2K");
    }
    MifareSizeEvidence evidence;
    evidence.extent = mifare_type_from_block_count(blocks);
    evidence.extent_exact = true;
    evidence.sak = dump.identity().sak.value_or(usual_sak(dump));
    evidence.highest_known = highest_known_block(dump);
    warn_mifare_size(dump, evidence, warnings);
    warn_details(dump, {.format = "nfc"}, warnings);
    return out.text();
}

}  // namespace cardkit::codec::nfc_layouts
