#include "batch_report.h"

#include <ctime>

#include "cardkit/bytes.h"
#include "tool_error.h"

namespace rfcard {

namespace {

using cardwork::BatchCard;
using cardwork::BatchResult;
using cardwork::BlockNote;

std::string notes_text(const std::vector<BlockNote> &notes) {
    std::string text;
    for (const BlockNote &note : notes) {
        text += (text.empty() ? "" : "; ") + std::string("block ") + std::to_string(note.block) +
                ": " + note.note;
    }
    return text;
}

Json notes_json(const std::vector<BlockNote> &notes) {
    Json list = Json::array();
    for (const BlockNote &note : notes)
        list.push_back({{"block", note.block}, {"note", note.note}});
    return list;
}

std::vector<int> blocks_of(const std::vector<BlockNote> &notes) {
    std::vector<int> blocks;
    for (const BlockNote &note : notes) blocks.push_back(note.block);
    return blocks;
}

std::string ended(cardwork::BatchEnd end) {
    switch (end) {
        case cardwork::BatchEnd::CountReached:
            return "count reached";
        case cardwork::BatchEnd::ReaderFailed:
            return "reader failed";
        case cardwork::BatchEnd::Finished:
        case cardwork::BatchEnd::Cancelled:
            break;
    }
    return "interrupted";
}

}  // namespace

std::string iso8601(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char zone[40];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return std::string(text) + zone;
}

std::string CardReport::error() const {
    if (card.result == BatchResult::SkippedDuplicate) return note;
    if (const cardwork::CardError *failure = card.failure()) return message_of(*failure);
    if (!card.differences.empty()) return notes_text(card.differences);
    return notes_text(card.skipped);
}

std::string CardReport::line() const {
    std::string text = cardkit::to_hex(card.card.uid) + "  " +
                       (card.type.empty() ? std::string("?") : card.type) + "  " +
                       std::string(cardwork::batch_result_name(card.result));
    if (card.result != BatchResult::SkippedDuplicate) {
        text += "  " + std::to_string(card.written.size()) + " " + unit +
                (card.written.size() == 1 ? "" : "s") + " written";
        if (card.result != BatchResult::Written && card.result != BatchResult::Verified &&
            !card.written.empty()) {
            text += " (" + cardkit::number_ranges(card.written, " ") + ")";
        }
        if (card.in_doubt)
            text += ", " + std::string(unit) + " " + std::to_string(*card.in_doubt) + " in doubt";
    }
    const std::string why = error();
    if (!why.empty()) text += ": " + why;
    return text;
}

CsvRecord CardReport::record() const {
    const cardwork::CardError *failure = card.failure();
    return {iso8601(card.finished),
            cardkit::to_hex(card.card.uid),
            card.type,
            std::string(cardwork::batch_result_name(card.result)),
            std::to_string(card.written.size()),
            cardkit::number_ranges(card.written, " "),
            cardkit::number_ranges(blocks_of(card.differences), " "),
            card.in_doubt ? std::to_string(*card.in_doubt) : std::string(),
            failure != nullptr ? failure->function() : std::string(),
            error()};
}

Json CardReport::json() const {
    Json object = {{"time", iso8601(card.finished)},
                   {"uid", cardkit::to_hex(card.card.uid)},
                   {"type", card.type},
                   {"result", cardwork::batch_result_name(card.result)}};
    if (card.result == BatchResult::SkippedDuplicate) {
        object["note"] = note;
        return object;
    }
    object["written"] = card.written;
    object["skipped"] = notes_json(card.skipped);
    if (card.verify) object["verified"] = card.verified;
    object["differences"] = notes_json(card.differences);
    object["in_doubt"] = card.in_doubt ? Json(*card.in_doubt) : Json();
    Json error;
    if (const cardwork::CardError *failure = card.failure()) {
        error = {{"message", message_of(*failure)}};
        if (!failure->function().empty()) {
            error["function"] = failure->function();
            error["result"] = failure->result();
            error["meaning"] = failure->meaning();
        }
    }
    object["error"] = error;
    object["exchanges"] = card.exchanges;
    if (!card.warnings.empty()) object["warnings"] = card.warnings;
    return object;
}

std::string tally_line(const cardwork::BatchTally &tally) {
    return std::to_string(tally.cards) + (tally.cards == 1 ? " card: " : " cards: ") +
           std::to_string(tally.verified) + " verified, " + std::to_string(tally.written) +
           " written, " + std::to_string(tally.failed) + " failed, " +
           std::to_string(tally.partial) + " partial, " + std::to_string(tally.duplicates) +
           " skipped-duplicate; " + ended(tally.end);
}

Json tally_json(const cardwork::BatchTally &tally) {
    return {{"summary",
             {{"cards", tally.cards},
              {"verified", tally.verified},
              {"written", tally.written},
              {"failed", tally.failed},
              {"partial", tally.partial},
              {"skipped_duplicate", tally.duplicates},
              {"ended", ended(tally.end)}}}};
}

}  // namespace rfcard
