#pragma once

// Reading and writing the files rfcard works on (dumps and key dictionaries),
// with every failure turned into a message that names the file.

#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "cardkit/dump_formats.h"
#include "output.h"

namespace rfcard {

// The whole file; "-" reads standard input. ToolError (kExitBadInput) when it
// cannot be read.
std::string read_input_file(const std::string &path);

// A dump from a file, its format from the name or the content.
cardkit::CardDump load_dump(const std::string &path, const cardkit::ImportOptions &options = {});

// The keys of the dictionaries, in order, each once.
std::vector<cardkit::MifareKey> load_key_files(const std::vector<std::string> &paths);

// The format to write: `format_name` when given, else the extension of `path`,
// else `fallback`. ToolError (kExitUsage) when none of them names a format that
// can hold a `family` dump, so the card is not read for nothing.
cardkit::DumpFormat output_format(const std::string &format_name, const std::string &path,
                                  cardkit::CardFamily family, cardkit::DumpFormat fallback);

// Writes the dump to `path` ("" or "-": standard output) in `format`, every loss
// the format brings as a warning. The JSON result gets "file" and "format", and
// without a file the dump itself.
void save_dump(Output &out, const cardkit::CardDump &dump, const std::string &path,
               cardkit::DumpFormat format);

}  // namespace rfcard
