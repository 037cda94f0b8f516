#pragma once

// Random bytes for card challenges. Seeded from the system's entropy, so every
// challenge differs from run to run, while everything else a card holds is fixed.

#include <random>

#include "sim/bytes.h"

namespace sim {

class RandomSource {
  public:
    RandomSource() : engine_(std::random_device{}()) {}

    Bytes bytes(std::size_t count) {
        Bytes out(count);
        for (auto &byte : out) byte = static_cast<std::uint8_t>(engine_() & 0xFF);
        return out;
    }

  private:
    std::mt19937 engine_;
};

}  // namespace sim
