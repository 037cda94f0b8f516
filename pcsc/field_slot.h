#pragma once

// Slot 0: the card in the reader's field. Its card is found by polling the field
// (card_activation.h), activated when pcscd powers it up, and spoken to with
// APDUs (processor cards, through the reader's ISO 14443-4 exchange) or the
// commands of class FF (pseudo_apdus.h).
//
// Every member but presence() and atr() is called with the reader's line held.

#include <chrono>
#include <mutex>
#include <optional>

#include "binding/reader_api.h"
#include "card_activation.h"
#include "field_card.h"
#include "ifd_interface.h"
#include "presence_report.h"
#include "pseudo_apdus.h"

namespace pcsc {

using Clock = std::chrono::steady_clock;

class FieldSlot {
public:
    // A card that answered a command this recently is taken to be there without a
    // look at the field.
    static constexpr std::chrono::milliseconds kFresh{300};
    static constexpr std::chrono::milliseconds kLookInterval{100};
    // The reader's ISO 14443-4 exchanges carry this much of an APDU.
    static constexpr std::size_t kLongestTypeAApdu = 251;
    static constexpr std::size_t kLongestTypeBApdu = 250;

    explicit FieldSlot(const binding::ReaderApi &api) : api_(api), activation_(api) {}

    // One look at the field: for a card when none is known, else whether the known
    // one is still there (skipped while it answered within kFresh).
    void look(Clock::time_point now);
    // When the field may be looked at again: kLookInterval after the last look
    // began, or as long after it ended as the look took, whichever is later, so
    // that looks leave the line free at least half the time on a slow line.
    Clock::time_point next_look() const { return next_look_; }

    // pcscd powers the card up (or resets it): IFD_SUCCESS with its ATR;
    // IFD_ERROR_POWER_ACTION when there is no card, it is not the one pcscd was told
    // of, or it did not answer its activation; IFD_COMMUNICATION_ERROR when the
    // line failed.
    RESPONSECODE power_up(Bytes &atr);
    void power_down();

    // One APDU: IFD_SUCCESS with the answer; IFD_COMMUNICATION_ERROR when no card is
    // powered, the card left (it is then forgotten: reported absent next), the line
    // failed or the reader could not carry the exchange.
    RESPONSECODE transmit(ByteView apdu, Bytes &response);

    // The line failed or was opened again: what the field holds is not known.
    void line_lost();

    PresenceReport &presence() { return presence_; }
    Bytes atr() const;
    // The longest APDU the slot carries to every card.
    static constexpr std::size_t longest_apdu() { return kLongestTypeBApdu; }

private:
    void look_once(Clock::time_point now);
    SlotReply exchange(ByteView apdu);
    void forget();
    void set_atr(Bytes atr);

    const binding::ReaderApi &api_;
    CardActivation activation_;
    std::optional<FieldCard> card_;
    // A card forgotten while it may still be in a session; ended before the next
    // search, so that it answers that search.
    std::optional<FieldCard> stale_;
    // The line failed: what the cards in the field went through is not known, so
    // the field is turned off and on before the next search.
    bool field_unknown_ = false;
    bool powered_ = false;
    StorageSession session_;
    KeySlots keys_;
    Clock::time_point last_seen_{};
    Clock::time_point next_look_{};
    PresenceReport presence_;
    mutable std::mutex atr_mutex_;
    Bytes atr_;
};

}  // namespace pcsc
