// The size of the card a file holds, from the strongest evidence it gives, and
// the identity its blocks carry.

#include "format_codecs.h"
#include "cardkit/manufacturer_block.h"

namespace cardkit::codec {

namespace {

std::string sak_text(std::uint8_t sak) { return to_hex(ByteView(&sak, 1)); }

std::string located(const std::string &where) { return where.empty() ? "" : where + ": "; }

}  // namespace

MifareType choose_mifare_type(const ImportOptions &options, const MifareSizeEvidence &evidence) {
    const auto refuse_beyond = [&](MifareType type, const std::string &why) {
        if (evidence.highest_known < block_count(type)) return;
        throw FormatError(
            located(evidence.highest_where) + "block " + std::to_string(evidence.highest_known) +
            " is beyond the Mifare Classic " + std::string(mifare_type_name(type)) + " " + why);
    };
    if (options.mifare_type) {
        refuse_beyond(*options.mifare_type, "chosen");
        return *options.mifare_type;
    }
    if (evidence.sak) {
        if (const auto by_sak = mifare_type_from_sak(*evidence.sak)) {
            refuse_beyond(
                *by_sak,
                "that SAK " + sak_text(*evidence.sak) + " names" +
                    (evidence.sak_where.empty() ? std::string() : " (" + evidence.sak_where + ")"));
            return *by_sak;
        }
    }
    MifareType type;
    if (evidence.extent) {
        type = *evidence.extent;
    } else {
        const auto holding = mifare_type_holding(evidence.highest_known + 1);
        if (!holding) {
            throw FormatError(located(evidence.highest_where) + "block " +
                              std::to_string(evidence.highest_known) + " is beyond a 4K card");
        }
        type = *holding;
    }
    refuse_beyond(type, "the file names");
    // A file that leaves the last sectors out says nothing of them; block 0 does.
    if (!evidence.extent_exact && evidence.block0_sak) {
        const auto named = mifare_type_from_sak(*evidence.block0_sak);
        if (named && *named > type) type = *named;
    }
    return type;
}

void warn_mifare_size(const CardDump &dump, const MifareSizeEvidence &evidence,
                      std::vector<std::string> &warnings) {
    std::string read_back;
    try {
        const MifareType type = choose_mifare_type({}, evidence);
        if (type == *dump.mifare_type()) return;
        read_back = "reads back as a Mifare Classic " + std::string(mifare_type_name(type));
    } catch (const FormatError &error) {
        read_back = "does not read back (" + std::string(error.what()) + ")";
    }
    warnings.push_back("the file " + read_back + ", not as the " + dump.description() +
                       " the dump holds: " +
                       (evidence.sak ? "the SAK it keeps names another size"
                                     : "its SAK is unknown and block 0 or the blocks known "
                                       "suggest another size"));
}

int highest_known_block(const CardDump &dump) {
    for (int block = dump.block_count() - 1; block >= 0; --block) {
        if (!dump.block_unknown(block)) return block;
    }
    return -1;
}

UltralightType choose_ultralight_type(const ImportOptions &options,
                                      const UltralightSizeEvidence &evidence) {
    const auto refuse_beyond = [&](UltralightType type, const std::string &why) {
        if (evidence.highest_known < ultralight_pages(type)) return;
        throw FormatError(located(evidence.highest_where) + "page " +
                          std::to_string(evidence.highest_known) + " is beyond the " +
                          std::string(ultralight_type_name(type)) + " " + why + " (" +
                          std::to_string(ultralight_pages(type)) + " pages)");
    };
    if (options.ultralight_type) {
        refuse_beyond(*options.ultralight_type, "chosen");
        return *options.ultralight_type;
    }
    if (evidence.stated) {
        refuse_beyond(*evidence.stated,
                      "that " +
                          (evidence.stated_where.empty() ? "the file" : evidence.stated_where) +
                          " names");
        return *evidence.stated;
    }
    if (evidence.by_version) {
        refuse_beyond(*evidence.by_version, "that the version bytes name");
        return *evidence.by_version;
    }
    const auto holding = ultralight_type_holding(evidence.highest_known + 1);
    if (!holding) {
        throw FormatError(located(evidence.highest_where) + "page " +
                          std::to_string(evidence.highest_known) +
                          " is beyond every Ultralight and NTAG type");
    }
    return *holding;
}

std::optional<std::uint8_t> block0_sak(ByteView block0) {
    const auto decoded = decode_manufacturer_block(block0);
    if (!decoded || !decoded->check_byte_valid) return std::nullopt;
    return decoded->sak;
}

CardIdentity uid_in_blocks(const CardDump &dump) {
    CardIdentity identity;
    identity.uid = identity_in_blocks(dump).uid;
    return identity;
}

std::array<std::uint8_t, 2> usual_atqa(const CardDump &dump) {
    if (dump.family() == CardFamily::Ultralight) return {0x44, 0x00};
    if (dump.mifare_type() == MifareType::Classic4K) return {0x02, 0x00};
    return {0x04, 0x00};
}

std::uint8_t usual_sak(const CardDump &dump) {
    if (!dump.mifare_type()) return 0x00;
    switch (*dump.mifare_type()) {
        case MifareType::Mini:
            return 0x09;
        case MifareType::Classic1K:
            return 0x08;
        case MifareType::Classic2K:
            return 0x19;
        case MifareType::Classic4K:
            return 0x18;
    }
    return 0x08;
}

}  // namespace cardkit::codec
