#pragma once

// The card work the workbench runs off the GUI thread, as plain functions over a
// cardwork session: a whole card read (Mifare Classic with rfcard's key search
// and the keys remembered per UID, the other families block by block), and a
// Mifare Classic write in two steps as `rfcard mf restore` does it: first the
// card is found and the dump checked against it (nothing is written), then,
// once the operator has confirmed what needs confirming, the same card is
// written. Nothing here throws: what stopped the work is in the outcome, with
// everything done before it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cardkit/dump.h"
#include "cardkit/mifare_layout.h"
#include "cardwork/card_error.h"
#include "cardwork/mifare_restore.h"
#include "cardwork/progress.h"
#include "cardwork/reader_session.h"
#include "cardwork/type_a.h"

namespace tilvane {

// The reader's port from the settings; `open_first` when the application has no
// port open yet (the work then opens it, as Connect would, and leaves it open).
struct ReaderPort {
    std::int32_t port = 1;
    std::int32_t baud = 9600;
    bool open_first = false;
};

// What every job shares: the keys to try and where keys are remembered.
struct KeyOrder {
    std::vector<cardkit::MifareKey> dictionary_keys;  // the defaults follow them
    std::filesystem::path key_memory;                 // empty: nothing remembered
};

struct ReadOutcome {
    std::optional<cardkit::CardDump> dump;  // as far as it was read
    std::vector<std::string> warnings;
    std::optional<cardwork::CardError> stopped;
    bool port_opened = false;
    long keys_tried = 0;
    long exchanges = 0;
};

ReadOutcome ReadCard(cardwork::ReaderSession &session, const ReaderPort &port,
                     cardkit::CardFamily family, const KeyOrder &keys,
                     const cardwork::ProgressCallback &progress = {});

// The first step of a write: the Mifare Classic card in the field and what the
// dump would write beyond data blocks. `stopped` holds a failed call, no card,
// or a dump that cannot go onto the card (nothing written in any case).
struct WriteCheck {
    std::optional<cardwork::TypeACard> card;
    std::optional<cardkit::MifareType> type;
    cardwork::PrivilegedWrites writes;
    std::optional<cardwork::CardError> stopped;
    bool port_opened = false;
};

WriteCheck CheckCardForWrite(cardwork::ReaderSession &session, const ReaderPort &port,
                             const cardkit::CardDump &dump,
                             const cardwork::RestoreOptions &options);

struct WriteOutcome {
    std::optional<cardwork::RestoreReport> report;
    std::optional<cardwork::CardError> stopped;
    long exchanges = 0;
};

// Writes `dump` onto the card whose UID is `card_uid` (found by CheckCardForWrite);
// another card in its place is refused before anything is written. The dump's
// own keys are tried first, then the remembered ones and the dictionaries; the
// keys the card has afterwards are remembered.
WriteOutcome WriteCard(cardwork::ReaderSession &session, const cardkit::CardDump &dump,
                       const cardkit::Bytes &card_uid, const cardwork::RestoreOptions &options,
                       const KeyOrder &keys, const cardwork::ProgressCallback &progress = {});

// One line of a write's result list.
enum class BlockResultKind { Verified, Written, Refused, Differs, InDoubt, NotReached, LeftOut };
struct BlockResult {
    int block = 0;
    BlockResultKind kind = BlockResultKind::NotReached;
    std::string note;  // the card's or cardwork's words, when there are any
};

// Every block the dump holds at least in part, with what became of it;
// `stopped` when something ended the write before its end.
std::vector<BlockResult> BlockResults(const cardkit::CardDump &dump,
                                      const cardwork::RestoreOptions &options,
                                      const cardwork::RestoreReport &report, bool stopped);

// "verified", "written", "refused", "differs", "in doubt", "not reached",
// "left out".
std::string BlockResultName(BlockResultKind kind);

// The UID a dump names: its identity's, else block 0's (Mifare Classic, check
// byte valid); empty when it names none.
cardkit::Bytes DumpUid(const cardkit::CardDump &dump);

}  // namespace tilvane
