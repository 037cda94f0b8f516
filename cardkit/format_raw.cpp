// Raw dumps: the blocks back to back, nothing else. The size tells the family,
// except for ISO 15693 tags, whose block count and size vary.

#include <algorithm>

#include "format_codecs.h"

namespace cardkit::codec {

namespace {

constexpr std::size_t kSrixBlocksSize = 512;
constexpr std::size_t kSrixSystemBlockSize = 4;

std::optional<CardFamily> family_of_size(std::size_t size) {
    if (size % kMifareBlockSize == 0 &&
        mifare_type_from_block_count(static_cast<int>(size / kMifareBlockSize))) {
        return CardFamily::MifareClassic;
    }
    switch (size) {
        case 64:
            return CardFamily::Ultralight;
        case 32:
            return CardFamily::Sr176;
        case kSrixBlocksSize:
        case kSrixBlocksSize + kSrixSystemBlockSize:
            return CardFamily::Srix4k;
        default:
            return std::nullopt;
    }
}

CardDump empty_dump(CardFamily family, std::size_t size, const ImportOptions &options) {
    const std::string size_text = std::to_string(size) + " bytes";
    switch (family) {
        case CardFamily::MifareClassic: {
            const auto type =
                size % kMifareBlockSize == 0
                    ? mifare_type_from_block_count(static_cast<int>(size / kMifareBlockSize))
                    : std::nullopt;
            if (!type) {
                throw FormatError(size_text +
                                  " is no Mifare Classic size (320, 1024, 2048 or 4096)");
            }
            return CardDump::mifare_classic(*type);
        }
        case CardFamily::Ultralight:
            if (size != 64) throw FormatError(size_text + " is no Ultralight size (64)");
            return CardDump::ultralight();
        case CardFamily::Sr176:
            if (size != 32) throw FormatError(size_text + " is no SR176 size (32)");
            return CardDump::sr176();
        case CardFamily::Srix4k:
            if (size != kSrixBlocksSize && size != kSrixBlocksSize + kSrixSystemBlockSize) {
                throw FormatError(size_text +
                                  " is no SRIX4K size (512, or 516 with the system block)");
            }
            return CardDump::srix4k();
        case CardFamily::Iso15693: {
            const auto block_size =
                static_cast<std::size_t>(std::max(options.iso15693_block_size, 1));
            const std::size_t blocks = size / block_size;
            if (size % block_size != 0 || blocks < 1 || blocks > 256 || block_size > 32) {
                throw FormatError(size_text + " is not 1 to 256 ISO 15693 blocks of " +
                                  std::to_string(options.iso15693_block_size) + " bytes");
            }
            return CardDump::iso15693(static_cast<int>(blocks), static_cast<int>(block_size));
        }
    }
    throw FormatError("unknown card family");
}

}  // namespace

CardDump read_raw(std::string_view content, const ImportOptions &options) {
    const auto family = options.family ? options.family : family_of_size(content.size());
    if (!family) {
        throw FormatError(std::to_string(content.size()) +
                          " bytes is no raw dump size (Mifare Classic 320, 1024, 2048 or 4096; "
                          "Ultralight 64; SR176 32; SRIX4K 512 or 516; ISO 15693 with its "
                          "family named)");
    }
    CardDump dump = empty_dump(*family, content.size(), options);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(content.data());
    const auto block_size = static_cast<std::size_t>(dump.block_size());
    for (int block = 0; block < dump.block_count(); ++block) {
        dump.set_block(block,
                       ByteView(bytes + static_cast<std::size_t>(block) * block_size, block_size));
    }
    if (dump.family() == CardFamily::Srix4k && content.size() > kSrixBlocksSize) {
        std::array<std::uint8_t, 4> system{};
        std::copy_n(bytes + kSrixBlocksSize, system.size(), system.begin());
        dump.set_system_block(system);
    }
    dump.set_identity(identity_in_blocks(dump));
    return dump;
}

ExportedDump write_raw(const CardDump &dump) {
    ExportedDump out;
    for (int block = 0; block < dump.block_count(); ++block) {
        const ByteView bytes = dump.block(block);
        out.content.append(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    }
    if (dump.family() == CardFamily::Srix4k && dump.system_block()) {
        out.content.append(reinterpret_cast<const char *>(dump.system_block()->data()),
                           dump.system_block()->size());
    }
    warn_unknown_bytes(dump, out.warnings);
    warn_identity(dump, identity_in_blocks(dump), out.warnings);
    if (dump.block_security()) {
        out.warnings.push_back("the file does not keep the blocks' security status");
    }
    return out;
}

}  // namespace cardkit::codec
