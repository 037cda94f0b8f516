#pragma once

// The key options of every Mifare Classic command, as card-tool users know them:
// -k/--key HEX for a key (repeatable) and -f/--dict FILE for a dictionary
// (repeatable; --keys is the same), and the keys they name, in the order a
// sector tries them.

#include <vector>

#include "cardkit/mifare_layout.h"
#include "cardwork/key_candidates.h"
#include "commands.h"
#include "output.h"

namespace CLI {
class App;
}

namespace rfcard {

// Adds -k/--key and -f/--dict (--keys) to `command`, filling `keys`.
void add_key_options(CLI::App &command, KeyOptions &keys);

// The -k keys, then `also`, then the dictionaries' keys and cardkit's defaults.
// ToolError: kExitUsage for a -k that is no key of 12 hex digits, kExitBadInput
// for a dictionary that cannot be read or holds no key at all. A dictionary line
// that is no key is skipped with a warning naming the file and the line.
cardwork::KeyCandidates key_candidates(Output &out, const KeyOptions &options,
                                       const std::vector<cardkit::MifareKey> &also = {});

// The keys of the dictionaries, in order, each once (warnings as above).
std::vector<cardkit::MifareKey> load_key_files(Output &out, const std::vector<std::string> &paths);

}  // namespace rfcard
