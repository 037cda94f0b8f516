// The key/value text layout for Mifare Classic cards: a header of "Key: value"
// lines (file type, version, device type, UID, ATQA, SAK, card size), then
// "Block N: XX XX ..." with "??" for an unknown byte. From version 3 on ATQA is
// written most significant byte first (00 04 for a card that sends 04 00);
// version 2 wrote it as sent. Lines starting with '#' are comments; keys this
// reader does not know are passed over.

#include <map>

#include "format_codecs.h"
#include "text_lines.h"

namespace cardkit::codec {

namespace {

constexpr std::string_view kDeviceType = "Mifare Classic";
constexpr int kVersionWritten = 4;
constexpr int kFirstMsbAtqaVersion = 3;

// "5A 3C 71 E2": bytes separated by single spaces, nullopt for anything else.
std::optional<Bytes> parse_spaced_hex(std::string_view text, int min_size, int max_size) {
    if (text.size() < 2 || (text.size() + 1) % 3 != 0) return std::nullopt;
    const int size = static_cast<int>((text.size() + 1) / 3);
    if (size < min_size || size > max_size) return std::nullopt;
    const auto block = parse_block_text(text, size, {}, ' ');
    if (!block) return std::nullopt;
    return block->bytes;
}

struct NfcFields {
    std::optional<int> version;
    std::optional<std::string> device_type;
    std::optional<MifareType> type;
    CardIdentity identity;
    std::map<int, BlockText> blocks;
};

void read_field(NfcFields &fields, std::string_view key, std::string_view value,
                const std::string &where) {
    const auto bad = [&](std::string_view what) {
        return FormatError(where + std::string(key) + ": " + std::string(what));
    };
    if (key == "Version") {
        fields.version = parse_decimal(value, 1000);
        if (!fields.version || *fields.version < 2) throw bad("not a version from 2 on");
    } else if (key == "Device type") {
        fields.device_type = std::string(value);
    } else if (key == "UID") {
        const auto uid = parse_spaced_hex(value, 4, 10);
        if (!uid) throw bad("not 4 to 10 hex bytes");
        fields.identity.uid = *uid;
    } else if (key == "ATQA") {
        const auto atqa = parse_spaced_hex(value, 2, 2);
        if (!atqa) throw bad("not 2 hex bytes");
        fields.identity.atqa = std::array<std::uint8_t, 2>{(*atqa)[0], (*atqa)[1]};
    } else if (key == "SAK") {
        const auto sak = parse_spaced_hex(value, 1, 1);
        if (!sak) throw bad("not a hex byte");
        fields.identity.sak = (*sak)[0];
    } else if (key == "Mifare Classic type") {
        fields.type = mifare_type_from_name(value);
        if (!fields.type) throw bad("not MINI, 1K, 2K or 4K");
    } else if (key.starts_with("Block ")) {
        const auto block = parse_decimal(key.substr(6), 255);
        if (!block) throw bad("not a block 0 to 255");
        if (fields.blocks.contains(*block)) throw bad("appears twice");
        auto text = parse_block_text(value, kMifareBlockSize, "??", ' ');
        if (!text) throw bad("not 16 bytes as hex pairs or ?? separated by spaces");
        fields.blocks.emplace(*block, std::move(*text));
    }
}

}  // namespace

CardDump read_nfc(std::string_view content) {
    NfcFields fields;
    const auto lines = split_lines(content);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = trim(lines[i]);
        if (text.empty() || text.front() == '#') continue;
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos)
            throw FormatError(line_prefix(i) + "no \"key: value\"");
        read_field(fields, trim(text.substr(0, colon)), trim(text.substr(colon + 1)),
                   line_prefix(i));
    }
    if (fields.device_type != kDeviceType) {
        throw FormatError(fields.device_type
                              ? "the file holds a " + *fields.device_type + ", not a Mifare Classic"
                              : "no \"Device type\" line");
    }
    if (!fields.type) throw FormatError("no \"Mifare Classic type\" line");
    if (fields.identity.atqa && fields.version.value_or(kVersionWritten) >= kFirstMsbAtqaVersion) {
        std::swap((*fields.identity.atqa)[0], (*fields.identity.atqa)[1]);
    }
    CardDump dump = CardDump::mifare_classic(*fields.type);
    for (const auto &[block, text] : fields.blocks) {
        if (block >= dump.block_count()) {
            throw FormatError("block " + std::to_string(block) + " is beyond a " +
                              dump.description() + " card");
        }
        apply_block_text(dump, block, text);
    }
    dump.set_identity(fields.identity);
    return dump;
}

ExportedDump write_nfc(const CardDump &dump) {
    require_mifare_classic(dump, DumpFormat::Nfc);
    ExportedDump out;
    const CardIdentity &identity = dump.identity();
    std::string &text = out.content;
    text += "Filetype: NFC device\n";
    text += "Version: " + std::to_string(kVersionWritten) + "\n";
    text += "Device type: " + std::string(kDeviceType) + "\n";
    CardIdentity kept;
    if (!identity.uid.empty() && identity.uid.size() <= 10) {
        text += "UID: " + to_hex(identity.uid, ' ') + "\n";
        kept.uid = identity.uid;
    }
    if (identity.atqa) {
        const std::array<std::uint8_t, 2> msb_first{(*identity.atqa)[1], (*identity.atqa)[0]};
        text += "ATQA: " + to_hex(msb_first, ' ') + "\n";
        kept.atqa = identity.atqa;
    }
    if (identity.sak) {
        text += "SAK: " + to_hex(ByteView(&*identity.sak, 1)) + "\n";
        kept.sak = identity.sak;
    }
    std::string size_name(mifare_type_name(*dump.mifare_type()));
    if (*dump.mifare_type() == MifareType::Mini) size_name = "MINI";
    text += "Mifare Classic type: " + size_name + "\n";
    text += "Data format version: 2\n";
    text += "# ?? marks a byte that was not read\n";
    for (int block = 0; block < dump.block_count(); ++block) {
        text += "Block " + std::to_string(block) + ": " + block_text(dump, block, "??", ' ') + "\n";
    }
    warn_identity(dump, kept, out.warnings);
    return out;
}

}  // namespace cardkit::codec
