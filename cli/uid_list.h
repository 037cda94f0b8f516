#pragma once

// The cards a --uid-list file counts as written already, so that a stack can be
// taken up again where an earlier run left it. The file is either
//   - a list: one UID a line in hex, spaces or colons between the bytes allowed,
//     `#` starting a comment, empty lines passed over; or
//   - a batch log (its first line the log's header): the UIDs of its cards
//     written or verified; those that failed or were left partial are not done.
// UIDs have 4, 7 or 10 bytes.

#include <set>
#include <string>

#include "cardkit/bytes.h"

namespace rfcard {

// ToolError (kExitBadInput) naming the file and line of anything else.
std::set<cardkit::Bytes> read_uid_list(const std::string &path);

}  // namespace rfcard
