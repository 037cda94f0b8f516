// Dumps as the Flipper Zero's NFC files: the "Device type" line chooses the
// card family, and each family's keys have a file of their own.

#include "nfc_layouts.h"

namespace cardkit::codec {

CardDump read_nfc(std::string_view content, const ImportOptions &options) {
    const NfcDocument file(content);
    // Files of version 2 and 3 name the card type itself as device type.
    const int version = static_cast<int>(file.decimal("Version", 1000).value_or(4));
    if (version < 2) throw FormatError("Version: files before version 2 are not read");
    const auto device = file.text("Device type");
    if (!device) throw FormatError("no \"Device type\" line");
    if (*device == "Mifare Classic") return nfc_layouts::read_mifare(file, version, options);
    if (*device == "NTAG/Ultralight" || nfc_layouts::is_legacy_ultralight(*device)) {
        return nfc_layouts::read_ultralight(file, version, *device, options);
    }
    if (*device == "ISO15693-3" || *device == "ISO15693" || device->starts_with("SLIX")) {
        return nfc_layouts::read_iso15693(file, *device);
    }
    if (*device == "ST25TB") return nfc_layouts::read_st25tb(file);
    throw FormatError("the file holds a " + device->substr(0, 40) +
                      ", not a card this program keeps (Mifare Classic, NTAG/Ultralight, "
                      "ISO15693-3, SLIX, ST25TB)");
}

ExportedDump write_nfc(const CardDump &dump) {
    ExportedDump out;
    switch (dump.family()) {
        case CardFamily::MifareClassic:
            out.content = nfc_layouts::write_mifare(dump, out.warnings);
            break;
        case CardFamily::Ultralight:
            out.content = nfc_layouts::write_ultralight(dump, out.warnings);
            break;
        case CardFamily::Iso15693:
            out.content = nfc_layouts::write_iso15693(dump, out.warnings);
            break;
        case CardFamily::Srix4k:
            out.content = nfc_layouts::write_st25tb(dump, out.warnings);
            break;
        case CardFamily::Sr176:
            require_family(dump, DumpFormat::Nfc);
            break;
    }
    return out;
}

namespace nfc_layouts {

namespace {

// Versions after 2 keep ATQA most significant byte first (NFC_LSB_ATQA_FORMAT_VERSION).
constexpr int kLastLsbAtqaVersion = 2;

}  // namespace

void read_iso14443_3a(const NfcDocument &file, int version, CardIdentity &identity) {
    if (const auto atqa = file.hex("ATQA", 2, 2)) {
        identity.atqa = std::array<std::uint8_t, 2>{(*atqa)[0], (*atqa)[1]};
        if (version > kLastLsbAtqaVersion) std::swap((*identity.atqa)[0], (*identity.atqa)[1]);
    }
    identity.sak = file.byte("SAK");
}

void write_iso14443_3a(NfcWriter &out, const CardDump &dump, std::vector<std::string> &warnings) {
    const CardIdentity &identity = dump.identity();
    const auto atqa = identity.atqa.value_or(usual_atqa(dump));
    const std::uint8_t sak = identity.sak.value_or(usual_sak(dump));
    if (!identity.atqa || !identity.sak) {
        warnings.push_back("the card's ATQA and SAK are not both known; the file gives " +
                           to_hex(atqa) + " and " + to_hex(ByteView(&sak, 1)) +
                           ", the usual values of " + dump.description() + " cards");
    }
    out.comment("ISO14443-3A specific data");
    out.hex("ATQA", std::array<std::uint8_t, 2>{atqa[1], atqa[0]});
    out.hex("SAK", ByteView(&sak, 1));
}

Bytes uid_to_write(const CardDump &dump, std::size_t size, std::vector<std::string> &warnings) {
    if (!dump.identity().uid.empty()) return dump.identity().uid;
    Bytes uid = uid_in_blocks(dump).uid;
    if (uid.empty()) {
        uid.assign(size, 0);
        if (dump.family() == CardFamily::Iso15693) uid[0] = 0xE0;
    }
    warnings.push_back("the card's UID is not known; the file gives " + to_hex(uid) +
                       ", as the format needs one");
    return uid;
}

}  // namespace nfc_layouts

}  // namespace cardkit::codec
