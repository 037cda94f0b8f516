// Dumps as JSON. Mifare Classic cards follow the layout that common tools
// exchange: "FileType": "mfc v2", "Card" with "UID", "ATQA" (as the card sends
// it) and "SAK", "blocks" keyed by block number, and "SectorKeys" keyed by sector
// with "KeyA", "KeyB", "AccessConditions" (trailer bytes 6 to 9) and their text.
// The other families use the same shape with their own FileType and fields.
//
// Unknown bytes: a block nothing of which is known is left out of "blocks". A
// SectorKeys entry speaks for its trailer's key and access fields: each is known
// exactly when the entry names it, so a trailer read with key A alone keeps key B
// unknown, and a key it names stands over the trailer's bytes (the key that
// opened the sector is what counts). With no entry the trailer in "blocks" stands
// as it is.

#include <nlohmann/json.hpp>

#include <map>

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit::codec {

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

constexpr std::string_view kCreatedBy = "cardkit";

struct FileType {
    CardFamily family;
    std::string_view name;
};

constexpr FileType kFileTypes[] = {
    {CardFamily::MifareClassic, "mfc v2"}, {CardFamily::Ultralight, "mfu"},
    {CardFamily::Srix4k, "srix4k"},        {CardFamily::Sr176, "sr176"},
    {CardFamily::Iso15693, "15693"},
};

// Trailer fields that a SectorKeys entry names.
struct TrailerField {
    std::string_view name;
    int offset;
    int size;
};

constexpr TrailerField kTrailerFields[] = {
    {"KeyA", kTrailerKeyA, 6},
    {"KeyB", kTrailerKeyB, 6},
    {"AccessConditions", kTrailerAccessBits, 4},
};

// A hex string member of `object` of `min_size` to `max_size` bytes; nullopt when
// absent, FormatError when it is anything else.
std::optional<Bytes> hex_member(const json &object, const std::string &name,
                                const std::string &where, std::size_t min_size,
                                std::size_t max_size) {
    const auto member = object.find(name);
    if (member == object.end()) return std::nullopt;
    std::optional<Bytes> bytes;
    if (member->is_string()) bytes = parse_hex(member->get_ref<const std::string &>());
    if (!bytes || bytes->size() < min_size || bytes->size() > max_size) {
        throw FormatError(where + "\"" + name + "\" is not " +
                          (min_size == max_size
                               ? std::to_string(min_size)
                               : std::to_string(min_size) + " to " + std::to_string(max_size)) +
                          " bytes in hex");
    }
    return bytes;
}

std::optional<std::uint8_t> byte_member(const json &object, const std::string &name,
                                        const std::string &where) {
    const auto bytes = hex_member(object, name, where, 1, 1);
    return bytes ? std::optional<std::uint8_t>((*bytes)[0]) : std::nullopt;
}

std::optional<int> count_member(const json &object, const std::string &name, int low, int high) {
    const auto member = object.find(name);
    if (member == object.end()) return std::nullopt;
    if (!member->is_number_integer() || member->get<long long>() < low ||
        member->get<long long>() > high) {
        throw FormatError("Card: \"" + name + "\" is not a number from " + std::to_string(low) +
                          " to " + std::to_string(high));
    }
    return static_cast<int>(member->get<long long>());
}

const json &object_member(const json &root, const std::string &name) {
    static const json kEmpty = json::object();
    const auto member = root.find(name);
    if (member == root.end()) return kEmpty;
    if (!member->is_object()) throw FormatError("\"" + name + "\" is not an object");
    return *member;
}

CardFamily family_of(const json &root) {
    const auto type = root.find("FileType");
    if (type == root.end() || !type->is_string()) throw FormatError("no \"FileType\" string");
    const auto &name = type->get_ref<const std::string &>();
    for (const FileType &known : kFileTypes) {
        if (name == known.name) return known.family;
    }
    // Earlier revisions of the Mifare Classic layout differ only in this name.
    if (name.starts_with("mfc")) return CardFamily::MifareClassic;
    throw FormatError("FileType \"" + name.substr(0, 40) + "\" is no dump this program reads");
}

CardIdentity read_identity(const json &card) {
    CardIdentity identity;
    const std::string where = "Card: ";
    if (auto uid = hex_member(card, "UID", where, 1, 16)) identity.uid = std::move(*uid);
    if (auto atqa = hex_member(card, "ATQA", where, 2, 2)) {
        identity.atqa = std::array<std::uint8_t, 2>{(*atqa)[0], (*atqa)[1]};
    }
    identity.sak = byte_member(card, "SAK", where);
    identity.dsfid = byte_member(card, "DSFID", where);
    identity.afi = byte_member(card, "AFI", where);
    return identity;
}

std::map<int, Bytes> read_blocks(const json &blocks) {
    std::map<int, Bytes> read;
    for (const auto &[key, value] : blocks.items()) {
        const auto number = parse_decimal(key, 255);
        const std::string where = "blocks: \"" + key.substr(0, 12) + "\" ";
        if (!number) throw FormatError(where + "is not a block number 0 to 255");
        std::optional<Bytes> bytes;
        if (value.is_string()) bytes = parse_hex(value.get_ref<const std::string &>());
        if (!bytes) throw FormatError(where + "is not a string of hex digit pairs");
        read.emplace(*number, std::move(*bytes));
    }
    return read;
}

// Blocks up to the highest one present, and the size the SAK names when larger.
MifareType mifare_type_shown(int highest_block, std::optional<std::uint8_t> sak) {
    const auto by_blocks = mifare_type_holding(highest_block + 1);
    if (!by_blocks)
        throw FormatError("block " + std::to_string(highest_block) + " is beyond a 4K card");
    const auto by_sak = sak ? mifare_type_from_sak(*sak) : std::nullopt;
    return by_sak && *by_sak > *by_blocks ? *by_sak : *by_blocks;
}

CardDump empty_dump(CardFamily family, const json &card, const std::map<int, Bytes> &blocks,
                    const CardIdentity &identity) {
    const int highest = blocks.empty() ? -1 : blocks.rbegin()->first;
    switch (family) {
        case CardFamily::MifareClassic:
            return CardDump::mifare_classic(mifare_type_shown(highest, identity.sak));
        case CardFamily::Ultralight:
            return CardDump::ultralight();
        case CardFamily::Srix4k:
            return CardDump::srix4k();
        case CardFamily::Sr176:
            return CardDump::sr176();
        case CardFamily::Iso15693: {
            const int size = count_member(card, "BlockSize", 1, 32).value_or(4);
            const int count =
                count_member(card, "BlockCount", 1, 256).value_or(std::max(highest + 1, 1));
            return CardDump::iso15693(count, size);
        }
    }
    throw FormatError("unknown card family");
}

void read_sector_keys(CardDump &dump, const json &sector_keys) {
    for (const auto &[key, entry] : sector_keys.items()) {
        const auto sector = parse_decimal(key, dump.sector_count() - 1);
        const std::string where = "SectorKeys: \"" + key.substr(0, 12) + "\": ";
        if (!sector) throw FormatError(where + "no such sector on a " + dump.description());
        if (!entry.is_object()) throw FormatError(where + "not an object");
        const int trailer = trailer_block(*sector);
        for (const TrailerField &field : kTrailerFields) {
            const std::string name(field.name);
            const auto bytes = hex_member(entry, name, where, static_cast<std::size_t>(field.size),
                                          static_cast<std::size_t>(field.size));
            if (!bytes) {
                dump.forget_bytes(trailer, field.offset, field.size);
                continue;
            }
            dump.set_bytes(trailer, field.offset, *bytes);
        }
    }
}

}  // namespace

bool is_json(std::string_view content) { return json::accept(content); }

CardDump read_json(std::string_view content) {
    const json root = json::parse(content, nullptr, false);
    if (root.is_discarded()) throw FormatError("not valid JSON");
    if (!root.is_object()) throw FormatError("not a JSON object");
    const CardFamily family = family_of(root);
    const json &card = object_member(root, "Card");
    const CardIdentity identity = read_identity(card);
    const auto blocks = read_blocks(object_member(root, "blocks"));
    CardDump dump = empty_dump(family, card, blocks, identity);
    for (const auto &[number, bytes] : blocks) {
        if (number >= dump.block_count()) {
            throw FormatError("blocks: block " + std::to_string(number) + " is beyond a " +
                              dump.description());
        }
        if (bytes.size() != static_cast<std::size_t>(dump.block_size())) {
            throw FormatError("blocks: block " + std::to_string(number) + " is not " +
                              std::to_string(dump.block_size()) + " bytes");
        }
        dump.set_block(number, bytes);
    }
    if (family == CardFamily::MifareClassic) {
        read_sector_keys(dump, object_member(root, "SectorKeys"));
    }
    if (family == CardFamily::Srix4k) {
        if (const auto system = hex_member(card, "SystemBlock", "Card: ", 4, 4)) {
            dump.set_system_block(std::array<std::uint8_t, 4>{(*system)[0], (*system)[1],
                                                              (*system)[2], (*system)[3]});
        }
    }
    if (family == CardFamily::Iso15693) {
        const auto count = static_cast<std::size_t>(dump.block_count());
        dump.set_block_security(hex_member(root, "BlockSecurity", "", count, count));
    }
    dump.set_identity(identity);
    return dump;
}

namespace {

ordered_json write_identity(const CardDump &dump) {
    const CardIdentity &identity = dump.identity();
    ordered_json card = ordered_json::object();
    if (!identity.uid.empty()) card["UID"] = to_hex(identity.uid);
    if (identity.atqa) card["ATQA"] = to_hex(*identity.atqa);
    if (identity.sak) card["SAK"] = to_hex(ByteView(&*identity.sak, 1));
    if (identity.dsfid) card["DSFID"] = to_hex(ByteView(&*identity.dsfid, 1));
    if (identity.afi) card["AFI"] = to_hex(ByteView(&*identity.afi, 1));
    if (dump.family() == CardFamily::Srix4k && dump.system_block()) {
        card["SystemBlock"] = to_hex(*dump.system_block());
    }
    if (dump.family() == CardFamily::Iso15693) {
        card["BlockCount"] = dump.block_count();
        card["BlockSize"] = dump.block_size();
    }
    return card;
}

ordered_json access_text(const CardDump &dump, int sector) {
    ordered_json text = ordered_json::object();
    const int trailer = trailer_block(sector);
    const auto access = dump.access_bits(sector);
    if (access) {
        const int blocks = blocks_in_sector(sector);
        const int per_group = blocks > 4 ? 5 : 1;
        for (int group = 0; group < 3; ++group) {
            const int first = group * per_group;
            const std::string label = per_group == 1 ? "block" + std::to_string(first)
                                                     : "block" + std::to_string(first) + "-" +
                                                           std::to_string(first + per_group - 1);
            text[label] = describe_data_block(access->groups[group]);
        }
        text["block" + std::to_string(blocks - 1)] = describe_trailer(access->groups[3]);
    }
    if (dump.byte_known(trailer, kTrailerUserByte)) {
        text["UserData"] = to_hex(dump.block(trailer).subspan(kTrailerUserByte, 1));
    }
    return text;
}

// Known bytes that a partly known field or block loses.
int bytes_lost(const CardDump &dump, int block, int offset, int size) {
    int known = 0;
    for (int i = offset; i < offset + size; ++i) known += dump.byte_known(block, i) ? 1 : 0;
    return known == size ? 0 : size - known;
}

}  // namespace

ExportedDump write_json(const CardDump &dump) {
    ExportedDump out;
    ordered_json root = ordered_json::object();
    root["Created"] = kCreatedBy;
    for (const FileType &type : kFileTypes) {
        if (type.family == dump.family()) root["FileType"] = type.name;
    }
    ordered_json card = write_identity(dump);
    if (!card.empty()) root["Card"] = std::move(card);

    const bool mifare = dump.family() == CardFamily::MifareClassic;
    ordered_json blocks = ordered_json::object();
    int highest_written = -1;
    int zero_filled = 0;
    for (int block = 0; block < dump.block_count(); ++block) {
        if (dump.block_unknown(block)) continue;
        blocks[std::to_string(block)] = to_hex(dump.block(block));
        highest_written = block;
        if (!mifare || !is_trailer(block))
            zero_filled += bytes_lost(dump, block, 0, dump.block_size());
    }
    root["blocks"] = std::move(blocks);

    if (mifare) {
        ordered_json sector_keys = ordered_json::object();
        int fields_cut = 0;
        for (int sector = 0; sector < dump.sector_count(); ++sector) {
            const int trailer = trailer_block(sector);
            if (dump.block_unknown(trailer)) continue;
            ordered_json entry = ordered_json::object();
            for (const TrailerField &field : kTrailerFields) {
                if (bytes_lost(dump, trailer, field.offset, field.size) == 0) {
                    entry[std::string(field.name)] =
                        to_hex(dump.block(trailer).subspan(static_cast<std::size_t>(field.offset),
                                                           static_cast<std::size_t>(field.size)));
                } else {
                    fields_cut += bytes_lost(dump, trailer, field.offset, field.size) < field.size;
                }
            }
            entry["AccessConditionsText"] = access_text(dump, sector);
            sector_keys[std::to_string(sector)] = std::move(entry);
        }
        root["SectorKeys"] = std::move(sector_keys);
        if (fields_cut > 0) {
            out.warnings.push_back(std::to_string(fields_cut) +
                                   " partly known keys or access fields are left out whole");
        }
        if (mifare_type_shown(highest_written, dump.identity().sak) != *dump.mifare_type()) {
            out.warnings.push_back("the file does not show that the card is a " +
                                   dump.description() +
                                   ": its last sectors are unknown and no SAK names the size");
        }
    }
    if (zero_filled > 0) {
        out.warnings.push_back(std::to_string(zero_filled) +
                               " unknown bytes of blocks read in part are written as 00");
    }
    if (dump.family() == CardFamily::Iso15693 && dump.block_security()) {
        root["BlockSecurity"] = to_hex(*dump.block_security());
    }
    out.content = root.dump(2) + "\n";
    return out;
}

}  // namespace cardkit::codec
