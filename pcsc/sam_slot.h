#pragma once

// Slot 1: the SAM in the reader's socket. A SAM answers only after a reset, so
// its presence is learnt from a reset: tried when the slot is first asked about,
// and while none answers, again every kRetry. A SAM that answered stays present
// (another reset would end its session) until a command finds it reset or gone.
// The reset runs the SAM at the rate reader.conf chose (9600 unless sam=38400).
//
// Every member but presence() and atr() is called with the reader's line held.

#include <chrono>
#include <mutex>
#include <optional>

#include "binding/reader_api.h"
#include "field_card.h"
#include "field_slot.h"
#include "ifd_interface.h"
#include "presence_report.h"

namespace pcsc {

class SamSlot {
public:
    static constexpr std::chrono::seconds kRetry{5};
    static constexpr std::size_t kLongestApdu = 251;

    SamSlot(const binding::ReaderApi &api, std::int32_t rate);

    // A reset when no SAM is known to answer and the last try is kRetry old.
    void look(Clock::time_point now);

    // A reset: IFD_SUCCESS with the SAM's answer to reset (at most MAX_ATR_SIZE
    // bytes of it); IFD_ERROR_POWER_ACTION when no SAM answered it;
    // IFD_COMMUNICATION_ERROR when the line failed.
    RESPONSECODE power_up(Bytes &atr);
    void power_down();

    // One APDU through the reader's SAM exchange: IFD_SUCCESS with the answer;
    // IFD_COMMUNICATION_ERROR when the SAM is not powered, lost its reset (then
    // reported absent once), or the exchange failed.
    RESPONSECODE transmit(ByteView apdu, Bytes &response);

    void line_lost();

    PresenceReport &presence() { return presence_; }
    Bytes atr() const;

private:
    // rf_init_sam at the slot's rate, then rf_sam_rst: 0 with the answer, or the
    // failing call's result.
    std::int32_t reset(Bytes &answer);
    void forget();
    void set_atr(Bytes atr);

    const binding::ReaderApi &api_;
    std::int32_t rate_code_;
    bool known_ = false;  // a SAM answered its last reset
    bool powered_ = false;
    std::optional<Clock::time_point> last_try_;
    PresenceReport presence_;
    mutable std::mutex atr_mutex_;
    Bytes atr_;
};

}  // namespace pcsc
