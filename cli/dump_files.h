#pragma once

// Reading and writing the dump files rfcard works on, with every failure turned
// into a message that names the file and says why (exit status 3).

#include <optional>
#include <string>

#include "cardkit/dump.h"
#include "cardkit/dump_formats.h"
#include "commands.h"
#include "output.h"

namespace rfcard {

// The whole file; "-" reads standard input. ToolError (kExitBadInput) naming the
// path and the reason when it is missing, a folder, unreadable or larger than
// any dump or dictionary.
std::string read_input_file(const std::string &path);

// --size: a Mifare Classic size ("mini", "1k", "2k", "4k") or an Ultralight/NTAG
// type ("ntag215", "ulc", ...); neither for an empty text. ToolError
// (kExitUsage) for a name that is neither.
struct CardSize {
    std::optional<cardkit::MifareType> mifare;
    std::optional<cardkit::UltralightType> ultralight;
};
CardSize parse_card_size(const std::string &name);

// The import options the command line names; ToolError (kExitUsage) for a
// format, family or size no one has.
cardkit::ImportOptions import_options(const InputOptions &input);

// The dump in `content`, read from `path` ("-" for standard input). ToolError
// (kExitBadInput) naming the path for a file that is no dump, (kExitUsage) for a
// --size of another family than the file's.
cardkit::CardDump import_file(const std::string &content, const std::string &path,
                              const InputOptions &input = {});
cardkit::CardDump load_dump(const std::string &path, const InputOptions &input = {});

// The format to write: `format_name` when given, else the extension of `path`,
// else `fallback`. ToolError (kExitUsage) when none of them names a format that
// can hold a `family` dump, so the card is not read for nothing.
cardkit::DumpFormat output_format(const std::string &format_name, const std::string &path,
                                  cardkit::CardFamily family, cardkit::DumpFormat fallback);

// Whether a dump holds secrets: Mifare Classic keys, a tag's passwords.
bool holds_keys(const cardkit::CardDump &dump);

// Writes the dump to `path` ("" or "-": standard output) in `format`, whole or
// not at all, every loss the format brings as a warning; a new file holding
// keys is the user's alone (whole_files.h). The JSON result gets "file" and
// "format", and without a file the dump itself.
void save_dump(Output &out, const cardkit::CardDump &dump, const std::string &path,
               cardkit::DumpFormat format);

}  // namespace rfcard
