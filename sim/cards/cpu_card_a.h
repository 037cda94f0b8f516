#pragma once

// An ISO 14443-4 Type A processor card: 4-byte UID, ATQA 08 00, SAK 20. After
// selection, RATS activates it and its answer is the ATS; it then exchanges APDUs
// with its card operating system until DESELECT sends it to HALT.

#include <array>
#include <cstdint>

#include "cards/card_os.h"
#include "cards/type_a_card.h"

namespace sim {

class CpuCardA : public TypeACard {
  public:
    explicit CpuCardA(std::array<std::uint8_t, 4> uid);

    Reply activate() override;
    Reply exchange(ByteView apdu) override;
    Reply deselect() override;

    // The ATS: TL, T0 (TA, TB, TC present, FSCI 8), TA, TB (FWI 7), TC, historical bytes.
    static Bytes answer_to_select();

  protected:
    void on_reset() override;

  private:
    bool layer4_ = false;
    CardOs os_;
};

// The contents both processor cards carry: a master file with an issuer file and
// one payment-like application with a record of its own.
CardOs make_processor_card_os(ByteView serial);

}  // namespace sim
