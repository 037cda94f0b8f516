// ISO 15693 as the Proxmark3 client's layouts. Its current writer keeps the tag
// as iso15_tag_t: "Card" with "uid" (8 bytes in the order the tag sends it,
// least significant first), "dsfid", "dsfidlock", "afi", "afilock",
// "bytesperpage", "pagescount" (one byte in "15693 v4", two least significant
// first in "15693 v5"), "ic", "locks" (a byte a block), "random",
// "privacypasswd" and "state"; "blocks" of bytesperpage bytes. This program
// writes "15693 v4" when the block count fits a byte (every client from v4 on
// reads it, the newest with a notice) and "15693 v5" for 256 blocks.
// Read only: "15693" (one "raw" string of 4-byte blocks, or this program's
// earlier "blocks" with "BlockCount", "BlockSize", "BlockSecurity"), "15693 v2"
// (blocks of 4 bytes) and "15693 v3" (blocks of 8), which keep no UID.

#include <algorithm>

#include "json_layouts.h"

namespace cardkit::codec::json_layouts {

namespace {

constexpr int kMostBlocks = 256;
constexpr int kLargestBlock = 32;
// The client's iso15_tag_t holds at most this much memory.
constexpr int kClientMemory = 2048;

CardDump with_blocks(const std::map<int, json_doc::JsonBlock> &blocks, int count, int size) {
    if (count < 1 || count > kMostBlocks) {
        throw FormatError("blocks: " + std::to_string(count) + " blocks is not 1 to 256");
    }
    CardDump dump = CardDump::iso15693(count, size);
    for (const auto &[number, block] : blocks) dump.set_block(number, block.bytes);
    return dump;
}

CardDump read_raw_string(const json &root) {
    const auto raw = json_doc::hex_member(root, "raw", "", 1, kMostBlocks * 4);
    if (!raw || raw->size() % 4 != 0) {
        throw FormatError("\"raw\" is not whole blocks of 4 bytes in hex (1 to 256 blocks)");
    }
    CardDump dump = CardDump::iso15693(static_cast<int>(raw->size() / 4), 4);
    for (int block = 0; block < dump.block_count(); ++block) {
        dump.set_block(block, ByteView(*raw).subspan(static_cast<std::size_t>(block) * 4, 4));
    }
    return dump;
}

std::optional<int> count_member(const json &object, const char *name, int low, int high) {
    const auto member = object.find(name);
    if (member == object.end()) return std::nullopt;
    if (!member->is_number_integer() || member->get<long long>() < low ||
        member->get<long long>() > high) {
        throw FormatError("Card: \"" + std::string(name) + "\" is not a number from " +
                          std::to_string(low) + " to " + std::to_string(high));
    }
    return static_cast<int>(member->get<long long>());
}

// This program's layout before it followed the client's.
CardDump read_own_layout(const json &root) {
    const json &card = json_doc::object_member(root, "Card", "");
    const int size = count_member(card, "BlockSize", 1, kLargestBlock).value_or(4);
    const auto blocks = json_doc::read_blocks(json_doc::object_member(root, "blocks", ""),
                                              kMostBlocks - 1, static_cast<std::size_t>(size));
    const int highest = blocks.empty() ? 0 : blocks.rbegin()->first + 1;
    const int count = count_member(card, "BlockCount", 1, kMostBlocks).value_or(highest);
    if (highest > count) {
        throw FormatError(json_doc::block_where(blocks.rbegin()->second) + " is beyond the " +
                          std::to_string(count) + " blocks \"BlockCount\" names");
    }
    CardDump dump = with_blocks(blocks, count, size);
    CardIdentity identity;
    if (auto uid = json_doc::hex_member(card, "UID", "Card: ", 8, 8))
        identity.uid = std::move(*uid);
    identity.dsfid = json_doc::byte_member(card, "DSFID", "Card: ");
    identity.afi = json_doc::byte_member(card, "AFI", "Card: ");
    dump.set_identity(identity);
    const auto count_bytes = static_cast<std::size_t>(count);
    dump.set_block_security(
        json_doc::hex_member(root, "BlockSecurity", "", count_bytes, count_bytes));
    return dump;
}

std::optional<bool> flag_member(const json &card, const char *name) {
    const auto byte = json_doc::byte_member(card, name, "Card: ");
    return byte ? std::optional<bool>(*byte != 0) : std::nullopt;
}

CardDump read_tag(const json &root, bool two_byte_count) {
    const json &card = json_doc::object_member(root, "Card", "");
    const std::string where = "Card: ";
    const auto uid = json_doc::hex_member(card, "uid", where, 8, 8);
    const auto size = json_doc::byte_member(card, "bytesperpage", where);
    // Files of the v4 era were also written with a two-byte count.
    const auto count_bytes =
        json_doc::hex_member(card, "pagescount", where, two_byte_count ? 2 : 1, 2);
    if (!uid || !size || !count_bytes) {
        throw FormatError(where + "\"uid\", \"bytesperpage\" and \"pagescount\" are required");
    }
    const int count = (*count_bytes)[0] | (count_bytes->size() > 1 ? (*count_bytes)[1] << 8 : 0);
    if (*size < 1 || *size > kLargestBlock || count < 1 || count > kMostBlocks) {
        throw FormatError(where + "\"bytesperpage\" " + std::to_string(*size) +
                          " and \"pagescount\" " + std::to_string(count) +
                          " are no tag (1 to 32 bytes, 1 to 256 blocks)");
    }
    const auto blocks =
        json_doc::read_blocks(json_doc::object_member(root, "blocks", ""), kMostBlocks - 1, *size);
    if (!blocks.empty() && blocks.rbegin()->first >= count) {
        throw FormatError(json_doc::block_where(blocks.rbegin()->second) + " is beyond the " +
                          std::to_string(count) + " blocks \"pagescount\" names");
    }
    CardDump dump = with_blocks(blocks, count, *size);
    CardIdentity identity;
    identity.uid.assign(uid->rbegin(), uid->rend());
    identity.dsfid = json_doc::byte_member(card, "dsfid", where);
    identity.afi = json_doc::byte_member(card, "afi", where);
    dump.set_identity(identity);
    const auto locks = static_cast<std::size_t>(count);
    dump.set_block_security(json_doc::hex_member(card, "locks", where, locks, locks));
    dump.set_iso15693_info({json_doc::byte_member(card, "ic", where),
                            flag_member(card, "dsfidlock"), flag_member(card, "afilock")});
    dump.set_format_fields(format_fields(card, {"random", "privacypasswd", "state"}));
    return dump;
}

}  // namespace

CardDump read_iso15693(const json &root, const std::string &file_type) {
    if (file_type == "15693") {
        return root.contains("raw") ? read_raw_string(root) : read_own_layout(root);
    }
    if (file_type == "15693 v2" || file_type == "15693 v3") {
        const int size = file_type == "15693 v2" ? 4 : 8;
        const auto blocks = json_doc::read_blocks(json_doc::object_member(root, "blocks", ""),
                                                  kMostBlocks - 1, static_cast<std::size_t>(size));
        return with_blocks(blocks, blocks.empty() ? 1 : blocks.rbegin()->first + 1, size);
    }
    return read_tag(root, file_type == "15693 v5");
}

ordered_json write_iso15693(const CardDump &dump, std::vector<std::string> &warnings) {
    const bool two_byte_count = dump.block_count() > 0xFF;
    ordered_json root = document(two_byte_count ? "15693 v5" : "15693 v4");
    const CardIdentity &identity = dump.identity();
    const Iso15693Info &info = dump.iso15693_info();
    ordered_json card = ordered_json::object();
    Bytes uid = identity.uid;
    if (uid.size() != 8) {
        // The client needs a UID; every ISO 15693 UID starts with E0.
        uid = {0xE0, 0, 0, 0, 0, 0, 0, 0};
        warnings.push_back(
            "the card's UID is not known as 8 bytes; the file gives E000000000000000");
    }
    put_hex(card, "uid", Bytes(uid.rbegin(), uid.rend()));
    put_byte(card, "dsfid", identity.dsfid);
    if (info.dsfid_locked) card["dsfidlock"] = *info.dsfid_locked ? "01" : "00";
    put_byte(card, "afi", identity.afi);
    if (info.afi_locked) card["afilock"] = *info.afi_locked ? "01" : "00";
    put_byte(card, "bytesperpage", static_cast<std::uint8_t>(dump.block_size()));
    const auto count = static_cast<unsigned>(dump.block_count());
    if (two_byte_count) {
        put_hex(card, "pagescount",
                std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(count),
                                            static_cast<std::uint8_t>(count >> 8)});
    } else {
        put_byte(card, "pagescount", static_cast<std::uint8_t>(count));
    }
    put_byte(card, "ic", info.ic_reference);
    if (dump.block_security()) put_hex(card, "locks", *dump.block_security());
    put_format_fields(dump, card);
    root["Card"] = std::move(card);
    root["blocks"] = known_blocks(dump, warnings);
    if (dump.block_count() * dump.block_size() > kClientMemory) {
        warnings.push_back("the Proxmark3 client holds at most 2048 bytes of a tag; this one has " +
                           std::to_string(dump.block_count() * dump.block_size()));
    }
    warn_details(dump, {.iso15693_info = true, .block_security = true, .format = "json"}, warnings);
    return root;
}

}  // namespace cardkit::codec::json_layouts
