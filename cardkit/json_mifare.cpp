// Mifare Classic as the Proxmark3 client's "mfc v2" layout: "Card" with "UID",
// "ATQA" (as the card sends it: "0400" for a 1K) and "SAK"; "blocks" 0 to the
// card's last; "SectorKeys" by sector with "KeyA", "KeyB", "AccessConditions"
// (trailer bytes 6 to 9) and their text. The client itself reads only
// "blocks"; here a SectorKeys field that is present stands over the trailer's
// bytes (the key that opened a sector is what counts) and a field left out
// leaves them as "blocks" gives them.

#include "json_layouts.h"
#include "text_lines.h"

namespace cardkit::codec::json_layouts {

namespace {

constexpr int kHighestSector = 39;

// Trailer fields that a SectorKeys entry names.
struct TrailerField {
    const char *name;
    int offset;
    int size;
};

constexpr TrailerField kTrailerFields[] = {
    {"KeyA", kTrailerKeyA, 6},
    {"KeyB", kTrailerKeyB, 6},
    {"AccessConditions", kTrailerAccessBits, 4},
};

struct SectorEntry {
    std::string key;
    std::vector<std::pair<const TrailerField *, Bytes>> fields;
};

std::map<int, SectorEntry> read_sector_keys(const json &sector_keys) {
    std::map<int, SectorEntry> entries;
    for (const auto &[key, entry] : sector_keys.items()) {
        const std::string where = "SectorKeys: \"" + key.substr(0, 12) + "\": ";
        const auto sector = parse_decimal(key, kHighestSector);
        if (!sector) throw FormatError(where + "no sector 0 to 39");
        if (!entry.is_object()) throw FormatError(where + "not an object");
        SectorEntry read{key, {}};
        for (const TrailerField &field : kTrailerFields) {
            const auto size = static_cast<std::size_t>(field.size);
            if (auto bytes = json_doc::hex_member(entry, field.name, where, size, size)) {
                read.fields.emplace_back(&field, std::move(*bytes));
            }
        }
        const auto [at, added] = entries.try_emplace(*sector, std::move(read));
        if (!added) {
            throw FormatError(where + "and \"" + at->second.key.substr(0, 12) +
                              "\" are both sector " + std::to_string(*sector));
        }
    }
    return entries;
}

ordered_json access_text(const CardDump &dump, int sector) {
    ordered_json text = ordered_json::object();
    const int trailer = trailer_block(sector);
    if (const auto access = dump.access_bits(sector)) {
        const int per_group = blocks_in_sector(sector) > 4 ? 5 : 1;
        for (int group = 0; group < 3; ++group) {
            const int first = first_block(sector) + group * per_group;
            const std::string label = per_group == 1 ? "block" + std::to_string(first)
                                                     : "block" + std::to_string(first) + "-" +
                                                           std::to_string(first + per_group - 1);
            text[label] = describe_data_block(access->groups[group]);
        }
        text["block" + std::to_string(trailer)] = describe_trailer(access->groups[3]);
    }
    if (dump.byte_known(trailer, kTrailerUserByte)) {
        text["UserData"] = to_hex(dump.block(trailer).subspan(kTrailerUserByte, 1));
    }
    return text;
}

bool field_known(const CardDump &dump, int block, const TrailerField &field) {
    for (int i = field.offset; i < field.offset + field.size; ++i) {
        if (!dump.byte_known(block, i)) return false;
    }
    return true;
}

}  // namespace

CardDump read_mifare(const json &root, const ImportOptions &options) {
    const json &card = json_doc::object_member(root, "Card", "");
    CardIdentity identity;
    const std::string where = "Card: ";
    if (auto uid = json_doc::hex_member(card, "UID", where, 4, 10)) identity.uid = std::move(*uid);
    if (auto atqa = json_doc::hex_member(card, "ATQA", where, 2, 2)) {
        identity.atqa = std::array<std::uint8_t, 2>{(*atqa)[0], (*atqa)[1]};
    }
    identity.sak = json_doc::byte_member(card, "SAK", where);

    const auto blocks =
        json_doc::read_blocks(json_doc::object_member(root, "blocks", ""), 255, kMifareBlockSize);
    const auto sectors = read_sector_keys(json_doc::object_member(root, "SectorKeys", ""));

    MifareSizeEvidence evidence;
    evidence.sak = identity.sak;
    evidence.sak_where = "Card: \"SAK\"";
    if (!blocks.empty()) {
        evidence.highest_known = blocks.rbegin()->first;
        evidence.highest_where = json_doc::block_where(blocks.rbegin()->second);
    }
    for (const auto &[sector, entry] : sectors) {
        if (!entry.fields.empty() && trailer_block(sector) > evidence.highest_known) {
            evidence.highest_known = trailer_block(sector);
            evidence.highest_where = "SectorKeys: \"" + entry.key.substr(0, 12) + "\"";
        }
    }
    if (const auto block0 = blocks.find(0); block0 != blocks.end()) {
        evidence.block0_sak = block0_sak(block0->second.bytes);
    }
    CardDump dump = CardDump::mifare_classic(choose_mifare_type(options, evidence));
    for (const auto &[number, block] : blocks) dump.set_block(number, block.bytes);
    for (const auto &[sector, entry] : sectors) {
        if (sector >= dump.sector_count()) {
            throw FormatError("SectorKeys: \"" + entry.key.substr(0, 12) +
                              "\": no such sector on a " + dump.description());
        }
        for (const auto &[field, bytes] : entry.fields) {
            dump.set_bytes(trailer_block(sector), field->offset, bytes);
        }
    }
    dump.set_identity(identity);
    return dump;
}

ordered_json write_mifare(const CardDump &dump, std::vector<std::string> &warnings) {
    ordered_json root = document("mfc v2");
    const CardIdentity &identity = dump.identity();
    ordered_json card = ordered_json::object();
    if (!identity.uid.empty()) put_hex(card, "UID", identity.uid);
    if (identity.atqa) put_hex(card, "ATQA", *identity.atqa);
    put_byte(card, "SAK", identity.sak);
    if (!card.empty()) root["Card"] = std::move(card);
    root["blocks"] = known_blocks(dump, warnings);

    ordered_json sector_keys = ordered_json::object();
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        const int trailer = trailer_block(sector);
        if (dump.block_unknown(trailer)) continue;
        ordered_json entry = ordered_json::object();
        for (const TrailerField &field : kTrailerFields) {
            if (!field_known(dump, trailer, field)) continue;
            entry[field.name] = to_hex(dump.block(trailer).subspan(
                static_cast<std::size_t>(field.offset), static_cast<std::size_t>(field.size)));
        }
        entry["AccessConditionsText"] = access_text(dump, sector);
        sector_keys[std::to_string(sector)] = std::move(entry);
    }
    root["SectorKeys"] = std::move(sector_keys);

    // The size reads back from the SAK, or from the last block written.
    MifareSizeEvidence evidence;
    evidence.sak = identity.sak;
    evidence.highest_known = highest_known_block(dump);
    if (dump.block_known(0)) evidence.block0_sak = block0_sak(dump.block(0));
    warn_mifare_size(dump, evidence, warnings);
    warn_details(dump, {.format = "json"}, warnings);
    return root;
}

}  // namespace cardkit::codec::json_layouts
