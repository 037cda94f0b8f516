// ISO 15693 as the firmware's iso15693_3.c writes it: "DSFID", "AFI", "IC
// Reference" (each when the tag gave it), "Lock DSFID" and "Lock AFI", "Block
// Count" (decimal), "Block Size" (hex), "Data Content" (every block in one
// line) and "Security Status" (a byte a block). Files before version 4 had no
// lock lines and put the lock bits in a first security byte (bit 0 DSFID, bit 1
// AFI). SLIX tags (slix.c) add a section the firmware writes after these lines;
// it is kept as it stands and written back after them.

#include <algorithm>

#include "nfc_layouts.h"

namespace cardkit::codec::nfc_layouts {

namespace {

constexpr std::string_view kSlix = "SLIX";
constexpr std::uint8_t kLegacyLockDsfid = 0x01;
constexpr std::uint8_t kLegacyLockAfi = 0x02;

// The keys the firmware's iso15693_3 layer reads; every other key after them
// belongs to the SLIX section.
constexpr std::string_view kIsoKeys[] = {
    "Filetype",   "Version",      "Device type",     "UID",      "DSFID",
    "AFI",        "IC Reference", "Lock DSFID",      "Lock AFI", "Block Count",
    "Block Size", "Data Content", "Security Status",
};

bool is_iso_key(const std::string &key) {
    return std::find(std::begin(kIsoKeys), std::end(kIsoKeys), key) != std::end(kIsoKeys);
}

}  // namespace

CardDump read_iso15693(const NfcDocument &file, const std::string &device_type) {
    const auto count = file.decimal("Block Count", 256);
    const auto size = file.byte("Block Size");
    if (!count || !size)
        throw FormatError("no \"Block Count\" and \"Block Size\": the file holds no blocks");
    if (*count < 1 || *size < 1 || *size > 32) {
        throw FormatError("Block Count " + std::to_string(*count) + " and Block Size " +
                          std::to_string(*size) + " are no tag (1 to 256 blocks of 1 to 32 bytes)");
    }
    CardDump dump = CardDump::iso15693(static_cast<int>(*count), *size);
    const int bytes = dump.block_count() * dump.block_size();
    const auto data = file.hex("Data Content", bytes, bytes);
    if (!data) throw FormatError("no \"Data Content\" line");
    for (int block = 0; block < dump.block_count(); ++block) {
        dump.set_block(block,
                       ByteView(*data).subspan(static_cast<std::size_t>(block * dump.block_size()),
                                               static_cast<std::size_t>(dump.block_size())));
    }
    Iso15693Info info;
    info.ic_reference = file.byte("IC Reference");
    info.dsfid_locked = file.flag("Lock DSFID");
    info.afi_locked = file.flag("Lock AFI");
    const bool lock_lines = info.dsfid_locked && info.afi_locked;
    if (file.find("Security Status") != nullptr) {
        const int blocks = dump.block_count();
        const int expected = lock_lines ? blocks : blocks + 1;
        auto security = file.hex("Security Status", expected, expected);
        if (!lock_lines) {
            info.dsfid_locked = ((*security)[0] & kLegacyLockDsfid) != 0;
            info.afi_locked = ((*security)[0] & kLegacyLockAfi) != 0;
            security->erase(security->begin());
        }
        dump.set_block_security(std::move(security));
    }
    dump.set_iso15693_info(info);

    CardIdentity identity;
    if (auto uid = file.hex("UID", 8, 8)) identity.uid = std::move(*uid);
    identity.dsfid = file.byte("DSFID");
    identity.afi = file.byte("AFI");
    dump.set_identity(identity);

    std::vector<FormatField> slix;
    if (device_type.starts_with(kSlix)) slix.push_back({"nfc", "Device type", device_type});
    for (const NfcLine &line : file.lines()) {
        if (!is_iso_key(line.key)) slix.push_back({"nfc", line.key, line.value});
    }
    dump.set_format_fields(std::move(slix));
    return dump;
}

std::string write_iso15693(const CardDump &dump, std::vector<std::string> &warnings) {
    std::string device_type = "ISO15693-3";
    std::vector<const FormatField *> slix;
    for (const FormatField &field : dump.format_fields()) {
        if (field.format != "nfc") continue;
        if (field.name == "Device type") {
            device_type = field.value;
        } else {
            slix.push_back(&field);
        }
    }
    NfcWriter out(device_type, uid_to_write(dump, 8, warnings));
    const CardIdentity &identity = dump.identity();
    Iso15693Info info = dump.iso15693_info();
    out.comment("ISO15693-3 specific data");
    if (identity.dsfid) {
        out.comment("Data Storage Format Identifier");
        out.hex("DSFID", ByteView(&*identity.dsfid, 1));
    }
    if (identity.afi) {
        out.comment("Application Family Identifier");
        out.hex("AFI", ByteView(&*identity.afi, 1));
    }
    if (info.ic_reference) {
        out.comment("IC Reference - Vendor specific meaning");
        out.hex("IC Reference", ByteView(&*info.ic_reference, 1));
    }
    // The firmware reads the security bytes as version 3 had them unless both
    // lock lines are there.
    if ((dump.block_security() || info.dsfid_locked || info.afi_locked) &&
        !(info.dsfid_locked && info.afi_locked)) {
        warnings.push_back(
            "the DSFID and AFI lock bits are not both known; the file gives false "
            "for those it lacks");
        info.dsfid_locked = info.dsfid_locked.value_or(false);
        info.afi_locked = info.afi_locked.value_or(false);
    }
    if (info.dsfid_locked) {
        out.comment("Lock Bits");
        out.field("Lock DSFID", *info.dsfid_locked ? "true" : "false");
        out.field("Lock AFI", *info.afi_locked ? "true" : "false");
    }
    out.comment("Number of memory blocks, valid range = 1..256");
    out.field("Block Count", std::to_string(dump.block_count()));
    out.comment("Size of a single memory block, valid range = 01...20 (hex)");
    const auto size = static_cast<std::uint8_t>(dump.block_size());
    out.hex("Block Size", ByteView(&size, 1));
    Bytes data;
    for (int block = 0; block < dump.block_count(); ++block) {
        data.insert(data.end(), dump.block(block).begin(), dump.block(block).end());
    }
    out.hex("Data Content", data);
    if (dump.block_security()) {
        out.comment("Block Security Status: 01 = locked, 00 = not locked");
        out.hex("Security Status", *dump.block_security());
    }
    if (!slix.empty()) {
        out.comment(device_type + " specific data");
        for (const FormatField *field : slix) out.field(field->name, field->value);
    }
    warn_unknown_bytes(dump, warnings);
    warn_details(dump, {.iso15693_info = true, .block_security = true, .format = "nfc"}, warnings);
    return out.text();
}

}  // namespace cardkit::codec::nfc_layouts
