#pragma once

// An ISO 14443 Type B processor card: ATQB with protocol type 1 (ISO 14443-4), and
// after ATTRIB the same card operating system as the Type A processor card.

#include "cards/card_os.h"
#include "cards/type_b_card.h"

namespace sim {

class CpuCardB : public TypeBCard {
  public:
    explicit CpuCardB(Pupi pupi);

    Reply exchange(ByteView apdu) override;

  protected:
    void on_reset() override { os_.reset(); }

  private:
    CardOs os_;
};

}  // namespace sim
