// Raw dumps: the blocks back to back. The size tells the family, except for
// ISO 15693 tags, whose block count and size vary. Ultralight and NTAG dumps of
// the Proxmark3 client carry a header before the pages, which the check bytes
// of pages 0 to 2 find (its mfu_dump_t of 56 bytes, and the 48-byte layout it
// wrote before, read only); this program writes the pages alone.

#include <algorithm>

#include "format_codecs.h"
#include "cardkit/manufacturer_block.h"

namespace cardkit::codec {

namespace {

constexpr std::size_t kSrixBlocksSize = 512;
constexpr std::size_t kSrixSystemBlockSize = 4;
constexpr std::size_t kSr176Size = 32;
constexpr std::size_t kFirstUltralightSize = 64;

// The Proxmark3 client's headers: version[8] tbo[2] tbo1 pages signature[32]
// counter_tearing[3][4], and before it version[8] tbo[2] tearing[3] pack[2]
// tbo1 signature[32].
constexpr std::size_t kUltralightHeader = 56;
constexpr std::size_t kOldUltralightHeader = 48;

const auto *as_bytes(std::string_view content) {
    return reinterpret_cast<const std::uint8_t *>(content.data());
}

bool pages_start_at(std::string_view content, std::size_t offset) {
    if (content.size() < offset + 3 * kUltralightPageSize ||
        (content.size() - offset) % kUltralightPageSize != 0) {
        return false;
    }
    const auto identity = decode_ultralight_identity(ByteView(as_bytes(content) + offset, 12));
    return identity && identity->check_bytes_valid;
}

// Where the pages of an Ultralight dump start; nullopt when no layout fits.
std::optional<std::size_t> ultralight_pages_offset(std::string_view content) {
    for (const std::size_t offset : {kUltralightHeader, kOldUltralightHeader, std::size_t{0}}) {
        if (pages_start_at(content, offset)) return offset;
    }
    if (content.size() == kFirstUltralightSize) return 0;
    return std::nullopt;
}

bool is_mifare_size(std::size_t size) {
    return size % kMifareBlockSize == 0 &&
           mifare_type_from_block_count(static_cast<int>(size / kMifareBlockSize));
}

std::optional<CardFamily> family_of_content(std::string_view content) {
    const std::size_t size = content.size();
    if (is_mifare_size(size)) return CardFamily::MifareClassic;
    if (size == kSrixBlocksSize || size == kSrixBlocksSize + kSrixSystemBlockSize) {
        return CardFamily::Srix4k;
    }
    if (size == kSr176Size) return CardFamily::Sr176;
    if (ultralight_pages_offset(content)) return CardFamily::Ultralight;
    return std::nullopt;
}

void fill_blocks(CardDump &dump, const std::uint8_t *bytes, int blocks) {
    const auto block_size = static_cast<std::size_t>(dump.block_size());
    for (int block = 0; block < blocks; ++block) {
        dump.set_block(block,
                       ByteView(bytes + static_cast<std::size_t>(block) * block_size, block_size));
    }
}

CardDump read_mifare(std::string_view content, const ImportOptions &options) {
    const std::size_t size = content.size();
    if (size % kMifareBlockSize != 0 || size == 0 ||
        (!options.mifare_type && !is_mifare_size(size))) {
        throw FormatError(std::to_string(size) +
                          " bytes is no Mifare Classic size (320, 1024, 2048 or 4096)");
    }
    const int blocks = static_cast<int>(size / kMifareBlockSize);
    MifareSizeEvidence evidence;
    evidence.extent = mifare_type_from_block_count(blocks);
    evidence.extent_exact = true;
    evidence.highest_known = blocks - 1;
    evidence.highest_where = "byte " + std::to_string(size - 1);
    CardDump dump = CardDump::mifare_classic(choose_mifare_type(options, evidence));
    fill_blocks(dump, as_bytes(content), blocks);
    dump.set_identity(uid_in_blocks(dump));
    return dump;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> nonzero_array(const std::uint8_t *bytes) {
    std::array<std::uint8_t, N> array{};
    std::copy_n(bytes, N, array.begin());
    if (std::all_of(array.begin(), array.end(), [](std::uint8_t b) { return b == 0; })) {
        return std::nullopt;
    }
    return array;
}

UltralightInfo header_info(const std::uint8_t *header, std::size_t size) {
    UltralightInfo info;
    info.version = nonzero_array<8>(header);
    info.tbo0 = nonzero_array<2>(header + 8);
    if (size == kUltralightHeader) {
        if (header[10] != 0) info.tbo1 = header[10];
        info.signature = nonzero_array<32>(header + 12);
        for (std::size_t i = 0; i < 3; ++i) {
            const std::uint8_t *entry = header + 44 + 4 * i;
            info.counters[i] =
                static_cast<std::uint32_t>(entry[0] | entry[1] << 8 | entry[2] << 16);
            info.tearing[i] = entry[3];
        }
    } else {
        for (std::size_t i = 0; i < 3; ++i) info.tearing[i] = header[10 + i];
        if (header[15] != 0) info.tbo1 = header[15];
        info.signature = nonzero_array<32>(header + 16);
    }
    return info;
}

CardDump read_ultralight(std::string_view content, const ImportOptions &options) {
    auto offset = ultralight_pages_offset(content);
    if (!offset && content.size() % kUltralightPageSize == 0 && !content.empty()) offset = 0;
    if (!offset) {
        throw FormatError(std::to_string(content.size()) +
                          " bytes is no Ultralight dump: not whole pages of 4 bytes");
    }
    const int pages = static_cast<int>((content.size() - *offset) / kUltralightPageSize);
    UltralightInfo info;
    if (*offset > 0) info = header_info(as_bytes(content), *offset);
    UltralightSizeEvidence evidence;
    if (info.version) evidence.by_version = ultralight_type_from_version(*info.version);
    evidence.highest_known = pages - 1;
    evidence.highest_where = "byte " + std::to_string(content.size() - 1);
    CardDump dump = CardDump::ultralight(choose_ultralight_type(options, evidence));
    fill_blocks(dump, as_bytes(content) + *offset, pages);
    dump.set_ultralight_info(info);
    dump.set_identity(uid_in_blocks(dump));
    return dump;
}

CardDump read_srix4k(std::string_view content) {
    if (content.size() != kSrixBlocksSize &&
        content.size() != kSrixBlocksSize + kSrixSystemBlockSize) {
        throw FormatError(std::to_string(content.size()) +
                          " bytes is no SRIX4K size (512, or 516 with the system block)");
    }
    CardDump dump = CardDump::srix4k();
    fill_blocks(dump, as_bytes(content), dump.block_count());
    if (content.size() > kSrixBlocksSize) {
        std::array<std::uint8_t, 4> system{};
        std::copy_n(as_bytes(content) + kSrixBlocksSize, system.size(), system.begin());
        dump.set_system_block(system);
    }
    return dump;
}

CardDump read_iso15693(std::string_view content, const ImportOptions &options) {
    const std::size_t size = content.size();
    const auto block_size = static_cast<std::size_t>(std::max(options.iso15693_block_size, 1));
    const std::size_t blocks = size / block_size;
    if (size % block_size != 0 || blocks < 1 || blocks > 256 || block_size > 32) {
        throw FormatError(std::to_string(size) + " bytes is not 1 to 256 ISO 15693 blocks of " +
                          std::to_string(options.iso15693_block_size) + " bytes");
    }
    CardDump dump = CardDump::iso15693(static_cast<int>(blocks), static_cast<int>(block_size));
    fill_blocks(dump, as_bytes(content), dump.block_count());
    return dump;
}

// Pages alone name no type; one of the same size reads back.
void warn_type_not_kept(const CardDump &dump, std::vector<std::string> &warnings) {
    warnings.push_back(
        "the file does not tell that the tag is a " + dump.description() + "; it reads back as a " +
        std::string(ultralight_type_name(*ultralight_type_holding(dump.block_count()))) +
        " of the same size");
}

}  // namespace

bool looks_raw(std::string_view content) { return family_of_content(content).has_value(); }

CardDump read_raw(std::string_view content, const ImportOptions &options) {
    const auto family = options.family ? options.family : family_of_content(content);
    if (!family) {
        throw FormatError(std::to_string(content.size()) +
                          " bytes is no raw dump size (Mifare Classic 320, 1024, 2048 or 4096; "
                          "Ultralight/NTAG pages; SR176 32; SRIX4K 512 or 516; ISO 15693 with "
                          "its family named)");
    }
    switch (*family) {
        case CardFamily::MifareClassic:
            return read_mifare(content, options);
        case CardFamily::Ultralight:
            return read_ultralight(content, options);
        case CardFamily::Srix4k:
            return read_srix4k(content);
        case CardFamily::Sr176: {
            if (content.size() != kSr176Size) {
                throw FormatError(std::to_string(content.size()) + " bytes is no SR176 size (32)");
            }
            CardDump dump = CardDump::sr176();
            fill_blocks(dump, as_bytes(content), dump.block_count());
            return dump;
        }
        case CardFamily::Iso15693:
            return read_iso15693(content, options);
    }
    throw FormatError("unknown card family");
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
    if (dump.family() == CardFamily::Ultralight &&
        ultralight_type_holding(dump.block_count()) != dump.ultralight_type()) {
        warn_type_not_kept(dump, out.warnings);
    }
    warn_identity(dump, uid_in_blocks(dump), out.warnings);
    warn_details(dump, {.system_block = true, .format = "raw"}, out.warnings);
    return out;
}

}  // namespace cardkit::codec
