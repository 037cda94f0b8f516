#pragma once

// Dumps as a reader leaves them, for the format and diff tests.

#include <ostream>

#include "cardkit/dump.h"

namespace cardkit {
// A failed comparison shows the dumps as the view renders them.
void PrintTo(const CardDump &dump, std::ostream *out);
}  // namespace cardkit

namespace cardkit_test {

// The transport trailer: keys FF x 6, access bits FF 07 80, user byte 69.
cardkit::Bytes transport_trailer();

// A Mifare Classic card of the given size like the simulated one (UID 5A 3C 71 E2,
// SAK and ATQA of the size), every block read, block 4 a value block of 100.
// With `partial`: sector 2's trailer lacks key B and the last sector is not
// read at all.
cardkit::CardDump mifare_dump(cardkit::MifareType type, bool partial);

// The same dump with only the identity raw, eml and mct files keep: the UID
// its blocks carry.
cardkit::CardDump with_uid_only(cardkit::CardDump dump);

// One dump of every other family, every byte known, with the identity and
// extras each keeps.
cardkit::CardDump ultralight_dump();
cardkit::CardDump ntag215_dump();  // version, signature and counters known
cardkit::CardDump srix4k_dump();
cardkit::CardDump sr176_dump();
cardkit::CardDump iso15693_dump();

}  // namespace cardkit_test
