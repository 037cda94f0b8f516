#pragma once

// What writing a dump to Mifare Classic cards shares, whether one card (mf
// restore) or card after card (mf batch): the keys a dump brings to try,
// and the operator's "yes" before block 0 or trailers are written.

#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "cardwork/key_candidates.h"
#include "cardwork/mifare_restore.h"
#include "commands.h"

namespace rfcard {

// The keys a dump holds, sector by sector: likely those of the cards it is
// written to.
std::vector<cardkit::MifareKey> keys_of_dump(const cardkit::CardDump &dump);

// Asks before block 0 or trailers are written to `whose` ("card 5A3C71E2").
// ToolError (kExitDeclined) unless the operator types yes.
void confirm_privileged_writes(const cardwork::PrivilegedWrites &writes, const std::string &whose);

// Asks before `what` is written (it cannot be undone: `why`); ToolError
// (kExitDeclined) unless the operator types yes.
void confirm_irreversible(const std::string &what, const std::string &why);

}  // namespace rfcard
