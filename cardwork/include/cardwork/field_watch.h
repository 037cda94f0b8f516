#pragma once

// Watching the field while cards are presented one after another: a Type A card
// coming, and the card in hand going away.
//
// A poll of an empty field is one exchange, a wake-up request (WUPA, which halted
// cards answer too) that none answers; a card that answers is selected, two more
// exchanges (anticollision and select, or the Ultralight select). Whether the card
// in hand is still there is asked by a wake-up request and a select by its UID,
// after which it is halted again: three exchanges while it stays, one once the
// field is empty.
//
// A card counts as gone only after `absences` polls in a row that do not find it:
// none answers, or the card that answers is another (its UID does not select).
// One silence is never enough: a card left active by the work takes the next
// wake-up request for an error and falls back without answering, and a card
// that fell back after an error still answers one.

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "cardwork/reader_session.h"
#include "cardwork/type_a.h"

namespace cardwork {

struct FieldWatchSettings {
    // Between two polls (rfcard's help and the README say 100 ms).
    std::chrono::milliseconds interval{100};
    // Polls in a row that miss the card before it counts as gone.
    int absences = 2;
};

// What one poll for a new card found.
struct FieldPoll {
    std::optional<TypeACard> card;  // selected, when one answered and could be
    // Why a card that answered cannot be worked (cards of two UID sizes together,
    // a 10-byte UID); empty otherwise.
    std::string unusable;
};

class FieldWatch {
public:
    // Waits between two polls; the default sleeps. Tests change the field there.
    using Pause = std::function<void(std::chrono::milliseconds)>;

    // The field must be on, protocol A (ReaderSession::power_field).
    explicit FieldWatch(ReaderSession &session, FieldWatchSettings settings = {}, Pause pause = {});

    // One poll. A card's failure while it is selected (a collision, a card that
    // leaves half way, a refused select) finds nothing; a failed line throws
    // CardError, and so does the session's cancellation.
    FieldPoll find_card();
    // One poll for `card`: true when it answered to its UID (it is halted again);
    // false when none answered or another did; nullopt when the reader reported a
    // card's failure that tells neither.
    std::optional<bool> still_there(const TypeACard &card);

    // Polls until a card answers and is selected. nullopt once `stop` is true
    // (read before each poll). `on_unusable` is told of each poll's unusable card.
    std::optional<TypeACard> wait_for_card(
        const std::atomic<bool> *stop,
        const std::function<void(const std::string &)> &on_unusable = {});
    // Halts the card, then polls until it is gone; false when `stop` came first.
    bool wait_until_gone(const TypeACard &card, const std::atomic<bool> *stop);

private:
    // The pause between two polls; false when `stop` is set after it.
    bool pause(const std::atomic<bool> *stop);

    ReaderSession &session_;
    FieldWatchSettings settings_;
    Pause pause_;
};

}  // namespace cardwork
