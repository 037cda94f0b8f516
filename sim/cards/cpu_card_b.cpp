#include "cards/cpu_card_b.h"

#include "cards/cpu_card_a.h"

namespace sim {

// Application data: AFI 00, CRC_B of the AID (two bytes), one application.
// Protocol information: 106 kbit/s only; frame size 256 and ISO 14443-4; FWI 7,
// CID supported.
CpuCardB::CpuCardB(Pupi pupi)
    : TypeBCard(Protocol::TypeB, pupi, {0x00, 0x3A, 0x5D, 0x01}, {0x00, 0x81, 0x71}),
      os_(make_processor_card_os(pupi)) {}

Reply CpuCardB::exchange(ByteView apdu) {
    if (state() != State::Active) return Reply::fail(ReaderStatus::NoCard);
    return Reply::ok(os_.process(apdu));
}

}  // namespace sim
