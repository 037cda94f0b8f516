#pragma once

// Dumps as a reader leaves them, for the format and diff tests.

#include "cardkit/dump.h"

namespace cardkit_test {

// The transport trailer: keys FF x 6, access bits FF 07 80, user byte 69.
cardkit::Bytes transport_trailer();

// A Mifare Classic card of the given size like the simulated one (UID 5A 3C 71 E2,
// SAK and ATQA of the size), every block read, block 4 a value block of 100.
// With `partial`: sector 2's trailer lacks key B and the last sector is not
// read at all.
cardkit::CardDump mifare_dump(cardkit::MifareType type, bool partial);

// One dump of every other family, every byte known, with the identity and
// extras each keeps.
cardkit::CardDump ultralight_dump();
cardkit::CardDump srix4k_dump();
cardkit::CardDump sr176_dump();
cardkit::CardDump iso15693_dump();

}  // namespace cardkit_test
