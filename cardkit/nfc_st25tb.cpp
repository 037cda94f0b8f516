// SRIX4K as the firmware's st25tb.c writes an ST25TB: "ST25TB Type" ("X4K",
// its SRIX4K type), "Block 0" to "Block 127" as the tag sends them, and "System
// OTP Block" (address 255). Its "4K" type (ST25TB04K) has the same memory and is
// read as an SRIX4K whose type line is kept. The UID line is maker byte first
// (D0 ...), as the firmware turns it.

#include "nfc_layouts.h"
#include "text_lines.h"

namespace cardkit::codec::nfc_layouts {

namespace {

constexpr std::string_view kTypeKey = "ST25TB Type";
constexpr std::string_view kSrix4kType = "X4K";
constexpr std::string_view kSt25tb04kType = "4K";

}  // namespace

CardDump read_st25tb(const NfcDocument &file) {
    const NfcLine *type = file.find(kTypeKey);
    if (type == nullptr) throw FormatError("no \"ST25TB Type\" line");
    if (type->value != kSrix4kType && type->value != kSt25tb04kType) {
        throw FormatError(NfcDocument::where(*type) + type->value.substr(0, 20) +
                          " is no tag this program keeps (X4K and 4K, the SRIX4K's memory)");
    }
    CardDump dump = CardDump::srix4k();
    for (const NfcLine &line : file.lines()) {
        if (!line.key.starts_with("Block ")) continue;
        const auto block = parse_decimal(line.key.substr(6), dump.block_count() - 1);
        if (!block) throw FormatError(NfcDocument::where(line) + "not a block 0 to 127");
        dump.set_block(*block, *file.hex(line.key, 4, 4));
    }
    if (const auto system = file.hex("System OTP Block", 4, 4)) {
        dump.set_system_block(
            std::array<std::uint8_t, 4>{(*system)[0], (*system)[1], (*system)[2], (*system)[3]});
    }
    CardIdentity identity;
    if (auto uid = file.hex("UID", 8, 8)) identity.uid = std::move(*uid);
    dump.set_identity(identity);
    if (type->value != kSrix4kType)
        dump.set_format_fields({{"nfc", std::string(kTypeKey), type->value}});
    return dump;
}

std::string write_st25tb(const CardDump &dump, std::vector<std::string> &warnings) {
    NfcWriter out("ST25TB", uid_to_write(dump, 8, warnings));
    std::string type(kSrix4kType);
    for (const FormatField &field : dump.format_fields()) {
        if (field.format == "nfc" && field.name == kTypeKey) type = field.value;
    }
    out.comment("ST25TB specific data");
    out.field(kTypeKey, type);
    for (int block = 0; block < dump.block_count(); ++block) {
        out.hex("Block " + std::to_string(block), dump.block(block));
    }
    // The firmware needs the line; FF FF FF FF leaves every block unlocked.
    const auto system =
        dump.system_block().value_or(std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF});
    if (!dump.system_block()) {
        warnings.push_back("the tag's system block is not known; the file gives FF FF FF FF");
    }
    out.hex("System OTP Block", system);
    warn_unknown_bytes(dump, warnings);
    warn_details(dump, {.system_block = true, .format = "nfc"}, warnings);
    return out.text();
}

}  // namespace cardkit::codec::nfc_layouts
