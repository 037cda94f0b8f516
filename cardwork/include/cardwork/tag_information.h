#pragma once

// What an ISO 15693 tag tells of itself in its answer to Get System Information:
// information flags, UID, then DSFID, AFI, memory size and IC reference, each
// there only when its flag says so.

#include <cstdint>
#include <optional>

#include "cardkit/bytes.h"

namespace cardwork {

struct TagInformation {
    std::optional<std::uint8_t> dsfid, afi;
    int blocks = 0;
    int block_size = 0;
};

// CardError (CardUnusable) when the answer is shorter than its flags announce, or does not
// give the memory size a dump needs.
TagInformation parse_tag_information(cardkit::ByteView answer);

}  // namespace cardwork
