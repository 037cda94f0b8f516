// The short-range ISO 14443 B memory tags. SRIX4K as the Proxmark3 client's
// "14b v2" layout: "blocks" 0 to 127 of 4 bytes as the tag sends them, and the
// system block (address 255) as block 128, where the client's dump keeps it.
// The client writes no UID; this program adds "Card": {"UID"} (maker byte
// first, D0 ...), which the client passes over. Read only: "14b" (one "raw"
// string of the same bytes), "srix" (the same layout under another name) and
// this program's earlier "srix4k" (system block in "Card": "SystemBlock").
// The client has no SR176 layout: this program keeps SR176 tags as "sr176",
// "blocks" 0 to 15 of 2 bytes.

#include "json_layouts.h"

namespace cardkit::codec::json_layouts {

namespace {

constexpr int kSrixBlocks = 128;
constexpr int kSystemBlockInDump = 128;

void read_uid(const json &root, CardDump &dump) {
    const json &card = json_doc::object_member(root, "Card", "");
    CardIdentity identity;
    if (auto uid = json_doc::hex_member(card, "UID", "Card: ", 8, 8))
        identity.uid = std::move(*uid);
    dump.set_identity(identity);
}

std::array<std::uint8_t, 4> four(ByteView bytes) {
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

}  // namespace

CardDump read_srix4k(const json &root, const std::string &file_type) {
    CardDump dump = CardDump::srix4k();
    if (file_type == "14b") {
        const auto raw = json_doc::hex_member(root, "raw", "", 1, 1024);
        if (!raw || (raw->size() != 512 && raw->size() != 516)) {
            throw FormatError(
                "\"raw\" is no SRIX4K dump (512 bytes, or 516 with the system block)");
        }
        for (int block = 0; block < kSrixBlocks; ++block) {
            dump.set_block(block, ByteView(*raw).subspan(static_cast<std::size_t>(block) * 4, 4));
        }
        if (raw->size() == 516) dump.set_system_block(four(ByteView(*raw).subspan(512)));
        return dump;
    }
    const int highest = file_type == "srix4k" ? kSrixBlocks - 1 : kSystemBlockInDump;
    const auto blocks = json_doc::read_blocks(json_doc::object_member(root, "blocks", ""), 255, 4);
    if (!blocks.empty() && blocks.rbegin()->first > highest) {
        throw FormatError(json_doc::block_where(blocks.rbegin()->second) +
                          " is beyond an SRIX4K dump (blocks 0 to 127, the system block as 128)");
    }
    // The client writes an SRI512 in the same layout: 16 blocks and its system
    // block as block 16. A file holding exactly that is no SRIX4K cut short.
    const int count = static_cast<int>(blocks.size());
    if (file_type != "srix4k" && (count == 16 || count == 17) &&
        blocks.rbegin()->first == count - 1) {
        throw FormatError(
            "blocks: 0 to " + std::to_string(count - 1) +
            " are an SRI512, not an SRIX4K (blocks 0 to 127, the system block as 128)");
    }
    for (const auto &[number, block] : blocks) {
        if (number == kSystemBlockInDump) {
            dump.set_system_block(four(block.bytes));
        } else {
            dump.set_block(number, block.bytes);
        }
    }
    if (file_type == "srix4k") {
        const json &card = json_doc::object_member(root, "Card", "");
        if (const auto system = json_doc::hex_member(card, "SystemBlock", "Card: ", 4, 4)) {
            dump.set_system_block(four(*system));
        }
    }
    read_uid(root, dump);
    return dump;
}

ordered_json write_srix4k(const CardDump &dump, std::vector<std::string> &warnings) {
    ordered_json root = document("14b v2");
    if (!dump.identity().uid.empty()) {
        ordered_json card = ordered_json::object();
        put_hex(card, "UID", dump.identity().uid);
        root["Card"] = std::move(card);
    }
    ordered_json blocks = known_blocks(dump, warnings);
    if (dump.system_block()) {
        blocks[std::to_string(kSystemBlockInDump)] = to_hex(*dump.system_block());
    }
    root["blocks"] = std::move(blocks);
    warn_details(dump, {.system_block = true, .format = "json"}, warnings);
    return root;
}

CardDump read_sr176(const json &root) {
    CardDump dump = CardDump::sr176();
    const auto blocks = json_doc::read_blocks(json_doc::object_member(root, "blocks", ""),
                                              dump.block_count() - 1, 2);
    for (const auto &[number, block] : blocks) dump.set_block(number, block.bytes);
    read_uid(root, dump);
    return dump;
}

ordered_json write_sr176(const CardDump &dump, std::vector<std::string> &warnings) {
    ordered_json root = document("sr176");
    if (!dump.identity().uid.empty()) {
        ordered_json card = ordered_json::object();
        put_hex(card, "UID", dump.identity().uid);
        root["Card"] = std::move(card);
    }
    root["blocks"] = known_blocks(dump, warnings);
    warn_details(dump, {.format = "json"}, warnings);
    return root;
}

}  // namespace cardkit::codec::json_layouts
