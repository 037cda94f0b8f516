#pragma once

// The log of a restore: which blocks of which dump the card confirmed, so that
// a restore cut short (the card or reader gone, Ctrl-C) is continued with
// `mf restore FILE --resume LOG` and writes only what is left. A small JSON file:
//   {"rfcard_restore_log": 1, "dump": "card.mct", "dump_digest": "...",
//    "uid": "5A3C71E2", "written": [1, 2, 4], "in_doubt": 5,
//    "not_written": [5, 6], "complete": false}
// It holds block numbers only, no data and no keys.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rfcard {

struct RestoreLog {
    std::string dump;              // the dump file as it was named
    std::string dump_digest;       // of the dump file's content (content_digest)
    std::string uid;               // the card's, in hex
    std::vector<int> written;      // confirmed by the card, in this run and those before
    std::vector<int> not_written;  // still to be written, the block in doubt among them
    std::optional<int> in_doubt;   // sent when the line failed: old bytes or new
    bool complete = false;
};

// A digest of a dump file's content that tells another dump from the one logged.
std::string content_digest(std::string_view content);

// ToolError (kExitBadInput) naming the file for one that cannot be read or is
// no restore log.
RestoreLog read_restore_log(const std::string &path);
// Written whole or not at all; ToolError (kExitBadInput) when it cannot be.
void write_restore_log(const std::string &path, const RestoreLog &log);

// Beside the dump ("card.mct.restore-log"), or for a dump from standard input
// in the current folder, named after the card.
std::string default_restore_log(const std::string &dump_path, const std::string &uid);

}  // namespace rfcard
