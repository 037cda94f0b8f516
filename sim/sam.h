#pragma once

// The security access module in the reader's SAM slot: always present, reset by
// rf_sam_rst (its answer to reset), then answering APDUs with its own card
// operating system until the next reset. rf_init_sam chooses the slot's rate,
// 9600 (configuration 0) or 38400 (1).

#include <cstdint>

#include "cards/card_os.h"
#include "reply.h"

namespace sim {

class Sam {
  public:
    Sam();

    Reply configure(std::uint8_t configuration);
    Reply reset();
    Reply exchange(ByteView apdu);

    // The answer to reset: TS 3B, T0 with 13 historical bytes, TB1 00 (no
    // programming voltage), the historical bytes.
    static Bytes answer_to_reset();
    unsigned rate() const { return rate_; }

  private:
    CardOs os_;
    bool reset_done_ = false;
    unsigned rate_ = 9600;
};

}  // namespace sim
