#pragma once

// What whole-card work that stopped part way, or left blocks unknown, reports:
// the blocks by their numbers, and the exit status it ends with.

#include <optional>
#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "cardwork/card_error.h"
#include "output.h"

namespace rfcard {

// The blocks of which no byte is known, in order.
std::vector<int> unread_blocks(const cardkit::CardDump &dump);

// The end of a dump, its file written: the blocks not read named on standard
// error and in the result's "unread_blocks". 130 when Ctrl-C stopped it, 5 when
// something else did or blocks stayed unknown, 0 for a whole card.
int dump_status(Output &out, const cardkit::CardDump &dump,
                const std::optional<cardwork::CardError> &stopped);

// The exit status of work that `stopped` part way, with a result to show: 130
// for Ctrl-C, 3 for a dump the card cannot take (nothing was done), 5 otherwise.
int stopped_status(const cardwork::CardError &stopped);

}  // namespace rfcard
