#pragma once

// What pcscd is told about a slot's card, and the wait for that to change.
//
// Every card found gets a number of its own. pcscd learns of the card through
// IFDHICCPresence; when the card it was told of has been replaced by another since
// (taken out and another, or the same, put back between two questions, or
// forgotten after a failure and found again), the next answer is "absent" once,
// so pcscd ends the sessions on the first card before it meets the second.
// Thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace pcsc {

class PresenceReport {
public:
    // A card found (a new one) or gone.
    void found();
    void gone();

    // The answer for pcscd now; it is then what pcscd knows.
    bool report();

    // The card pcscd was told of is still the one in the slot.
    bool reported_card_is_current() const;
    // pcscd has something new to learn.
    bool changed() const;
    // A card is in the slot, as the last look found.
    bool holds_card() const;

    // Waits until `deadline`, until there is something new for pcscd, or until
    // the wait is stopped. Returns at once when stopped before.
    void wait(std::chrono::steady_clock::time_point deadline);
    void stop();
    bool stopped() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t next_ = 1;
    std::uint64_t current_ = 0;   // the card in the slot, 0 for none
    std::uint64_t reported_ = 0;  // the card pcscd was last told of
    bool stopped_ = false;
};

}  // namespace pcsc
