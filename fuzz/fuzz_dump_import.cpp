// Feeds arbitrary bytes to one dump format's reader, chosen at build time with
// DUMP_FORMAT. Whatever it accepts must survive being written back: a file that
// the writer keeps without a warning reads back as the same dump, and a diff of
// the dump with itself finds every block equal.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cardkit/dump_diff.h"
#include "cardkit/dump_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    constexpr cardkit::DumpFormat format = cardkit::DumpFormat::DUMP_FORMAT;
    const std::string_view content(reinterpret_cast<const char *>(data), size);
    cardkit::ImportOptions options;
    options.format = format;
    std::optional<cardkit::CardDump> dump;
    try {
        dump = cardkit::import_dump(content, {}, options);
    } catch (const cardkit::FormatError &) {
        return 0;
    }
    const cardkit::ExportedDump exported = cardkit::export_dump(*dump, format);
    if (exported.warnings.empty() &&
        !(cardkit::import_dump(exported.content, {}, options) == *dump)) {
        __builtin_trap();
    }
    const cardkit::DumpDiff diff = cardkit::diff_dumps(*dump, *dump);
    if (diff.equal_blocks != diff.total_blocks) __builtin_trap();
    return 0;
}
