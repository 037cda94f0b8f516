#pragma once

// The same data written to a stack of cards, one after another: wait for a card,
// write it, tell how it went, wait for it to leave, then for the next. A card
// written already (the same UID) is not written again but reported. Nothing is
// printed: the caller turns each card's record into its own lines and log rows.
//
// Two flags end a batch. `finish` (the first Ctrl-C) lets the card in hand be
// written to its end and its record told, then ends; between cards it ends the
// batch at the next poll. The session's cancellation flag (the second Ctrl-C)
// stops before the next exchange, and the card in hand's record then says what
// was written and which block, if any, is in doubt.

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cardkit/bytes.h"
#include "cardwork/card_error.h"
#include "cardwork/field_watch.h"
#include "cardwork/mifare_restore.h"
#include "cardwork/progress.h"
#include "cardwork/reader_session.h"
#include "cardwork/type_a.h"

namespace cardwork {

enum class BatchResult { Written, Verified, Failed, SkippedDuplicate, Partial };
// "written", "verified", "failed", "skipped-duplicate", "partial".
std::string_view batch_result_name(BatchResult result);

// What became of one card.
struct BatchCard {
    TypeACard card;
    // "Mifare Classic 1K", "Mifare Ultralight"; empty for a card the job does not write.
    std::string type;
    BatchResult result = BatchResult::Failed;
    std::vector<int> written;        // blocks (pages) the card confirmed, in the order written
    std::vector<BlockNote> skipped;  // not written, and why
    bool verify = false;             // whatever was written was to be read back
    int verified = 0;
    std::vector<BlockNote> differences;  // read back otherwise, or not at all
    std::optional<int> in_doubt;         // sent when the line failed
    std::optional<CardError> stopped;    // what ended the work before its end
    // When blocks went unwritten without the work stopping: the card's last
    // refusal (a wrong key, a locked page), naming its function and result.
    std::optional<CardError> refused;
    std::vector<std::string> warnings;  // keys not remembered, and the like
    long exchanges = 0;                 // of the work on the card, once selected
    std::chrono::system_clock::time_point finished;

    // The failure to name: what stopped the work, else the refusal; null for none.
    const CardError *failure() const;
};

// What a worked card's record comes to: failed when nothing was written (and
// no block is in doubt); partial when some was but not all (the work stopped, or
// blocks were not written); failed too when blocks read back otherwise; written,
// or verified when read back, when everything was.
BatchResult batch_result(const BatchCard &card);

// The work each card gets.
class CardJob {
public:
    virtual ~CardJob() = default;
    // Blocks (pages) each card is to get: 0 when the dump holds none to write.
    virtual int blocks_to_write() const = 0;
    // The card's type as records name it; empty for a card the job does not write.
    virtual std::string type_of(const TypeACard &card) const = 0;
    // Writes `card`, selected just now. Fills the record but `result`,
    // `exchanges` and `finished`; a failure or cancellation is kept in
    // `stopped`, never thrown.
    virtual BatchCard work(ReaderSession &session, const TypeACard &card,
                           const ProgressCallback &progress) = 0;
};

struct BatchSettings {
    // Cards to write (written or verified) before the batch ends; 0: no end but
    // the caller's flags.
    int count = 0;
    FieldWatchSettings watch;
    FieldWatch::Pause pause;  // between polls; the default sleeps
};

struct BatchEvents {
    std::function<void(int written)> waiting;           // for the next card
    std::function<void(const TypeACard &)> working;     // a card found, to be written
    ProgressCallback progress;                          // of the card in hand
    std::function<void(const BatchCard &)> done;        // each card's record
    std::function<void(const std::string &)> unusable;  // a card answers that cannot be worked
};

enum class BatchEnd { CountReached, Finished, Cancelled, ReaderFailed };

struct BatchTally {
    BatchEnd end = BatchEnd::Finished;
    int cards = 0;  // records told
    int written = 0, verified = 0, failed = 0, duplicates = 0, partial = 0;
    std::optional<CardError> failure;  // ReaderFailed: the call that failed
};

// Powers the field for Type A, then writes card after card. `done` holds the
// UIDs that count as written already and gets each card written now. An
// exception a callback throws ends the batch and passes through.
BatchTally run_batch(ReaderSession &session, CardJob &job, std::set<cardkit::Bytes> &done,
                     const BatchSettings &settings, const std::atomic<bool> *finish,
                     const BatchEvents &events);

}  // namespace cardwork
