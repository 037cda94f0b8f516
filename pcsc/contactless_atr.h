#pragma once

// The answer to reset a PC/SC application sees for a contactless card, built the
// way PC/SC readers build it, since such a card has no ATR of its own:
//
//   processor cards  3B 8n 80 01 <n historical bytes> TCK
//                    Type A: the historical bytes of its ATS (at most 15 kept);
//                    Type B: the ATQB's application data (4) and protocol
//                    information (3), then a byte whose high nibble is the
//                    maximum buffer length index of the ATTRIB answer, which this
//                    reader does not pass on, so 0.
//   storage cards    3B 8F 80 01 80 4F 0C A0 00 00 03 06 SS NN NN 00 00 00 00 TCK
//                    SS the standard (03 ISO 14443-3 Type A, 0B ISO 15693-3),
//                    NN NN the card's name (Mifare Classic 1K 00 01, 4K 00 02,
//                    Ultralight 00 03, Mini 00 26, Tag-it 00 12, ICODE SLI 00 14,
//                    00 00 for a card not named here).
//
// TCK is the exclusive or of every byte from T0 to the last historical byte.

#include "field_card.h"

namespace pcsc {

// Pure: the ATR of `card` from its kind and what it answered.
Bytes contactless_atr(const FieldCard &card);

// The historical bytes of an ATS (TL T0 [TA1] [TB1] [TC1] historical bytes): empty
// when the ATS has none or is shorter than its own bytes say.
Bytes ats_historical_bytes(ByteView ats);

}  // namespace pcsc
