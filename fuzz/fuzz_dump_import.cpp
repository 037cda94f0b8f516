// Feeds arbitrary bytes to one dump format's reader, chosen at build time with
// DUMP_FORMAT, once as a file alone and once with the size overrides and raw
// family a caller may pass (chosen from the input's length). Whatever it accepts
// must survive being written in every format that holds its family: a file
// written without a warning reads back as the same dump. A diff of the dump
// with itself finds every block equal, and its view renders.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "cardkit/dump_diff.h"
#include "cardkit/dump_formats.h"
#include "cardkit/dump_view.h"

namespace {

constexpr cardkit::DumpFormat kFormat = cardkit::DumpFormat::DUMP_FORMAT;

cardkit::ImportOptions options_for(std::size_t size) {
    cardkit::ImportOptions options;
    options.format = kFormat;
    constexpr cardkit::MifareType kSizes[] = {
        cardkit::MifareType::Mini, cardkit::MifareType::Classic1K, cardkit::MifareType::Classic2K,
        cardkit::MifareType::Classic4K};
    const auto types = cardkit::ultralight_types();
    options.mifare_type = kSizes[size % 4];
    options.ultralight_type = types[size % types.size()];
    constexpr cardkit::CardFamily kFamilies[] = {
        cardkit::CardFamily::MifareClassic, cardkit::CardFamily::Ultralight,
        cardkit::CardFamily::Srix4k, cardkit::CardFamily::Sr176, cardkit::CardFamily::Iso15693};
    options.family = kFamilies[size % 5];
    options.iso15693_block_size = static_cast<int>(size % 9);
    return options;
}

void check(std::string_view content, const cardkit::ImportOptions &options) {
    std::optional<cardkit::CardDump> dump;
    try {
        dump = cardkit::import_dump(content, {}, options);
    } catch (const cardkit::FormatError &) {
        return;
    }
    for (const cardkit::DumpFormat format : cardkit::formats_holding(dump->family())) {
        const cardkit::ExportedDump exported = cardkit::export_dump(*dump, format);
        cardkit::ImportOptions again;
        again.format = format;
        again.family = dump->family();
        again.iso15693_block_size = dump->block_size();
        if (exported.warnings.empty() &&
            !(cardkit::import_dump(exported.content, {}, again) == *dump)) {
            __builtin_trap();
        }
    }
    const cardkit::DumpDiff diff = cardkit::diff_dumps(*dump, *dump);
    if (diff.equal_blocks != diff.total_blocks || !diff.card_notes.empty()) __builtin_trap();
    if (cardkit::format_dump_view(cardkit::view_dump(*dump)).empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char *>(data), size);
    cardkit::ImportOptions plain;
    plain.format = kFormat;
    check(content, plain);
    check(content, options_for(size));
    return 0;
}
