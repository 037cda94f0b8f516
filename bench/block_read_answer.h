#pragma once

// The reader's answer to a read of one Mifare block, as it comes over the wire:
// status 0 and 16 data bytes, two of them 0xAA and so escaped.

#include <cstdint>
#include <vector>

#include "protocol/commands.h"
#include "protocol/frame.h"
#include "sim/wire_frame.h"

namespace bench {

inline std::vector<std::uint8_t> block_read_answer() {
    std::vector<std::uint8_t> block;
    for (int i = 0; i < 16; ++i) {
        block.push_back(i == 3 || i == 9 ? 0xAA : static_cast<std::uint8_t>(i));
    }
    return sim::encode_response(protocol::kBroadcastAddress,
                                protocol::code_of(protocol::Command::ReadBlock), 0, block);
}

}  // namespace bench
