#pragma once

// How a batch tells what became of each card: a line of text, a record of the
// log (batch_log.h) and a JSON object, all from card work's record; and the
// tally at the end.

#include <chrono>
#include <string>
#include <vector>

#include "cardwork/card_batch.h"
#include "csv.h"
#include "output.h"

namespace rfcard {

// "1-3 5 8-10": the numbers in their order, runs of consecutive ones joined.
std::string block_ranges(const std::vector<int> &blocks);

// ISO 8601, local time with its offset from UTC: "2025-03-14T09:26:53+01:00".
std::string iso8601(std::chrono::system_clock::time_point time);

// What to say of a card: `note` says why a duplicate was skipped; `unit` is
// "block" or "page".
struct CardReport {
    const cardwork::BatchCard &card;
    std::string note;
    const char *unit = "block";

    // "5A3C71E2  Mifare Classic 1K  partial  3 blocks written (4-6): ...".
    std::string line() const;
    // The fields of BatchLog::header().
    CsvRecord record() const;
    Json json() const;
    // The failure, the differences or the blocks left unwritten, in words; the
    // note for a duplicate; empty when all went well.
    std::string error() const;
};

// "5 cards: 2 verified, 0 written, 1 failed, 1 partial, 1 skipped-duplicate".
std::string tally_line(const cardwork::BatchTally &tally);
// {"summary": {"cards": 5, ..., "ended": "count reached"}}.
Json tally_json(const cardwork::BatchTally &tally);

}  // namespace rfcard
