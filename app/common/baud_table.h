#pragma once

// The seven rates the reader runs at; settings store the index, not the rate.

#include <array>
#include <cstdint>

#include "protocol/baud_rates.h"

namespace tilvane {

inline constexpr std::array<std::int32_t, protocol::kBaudRates.size()> kBaudTable = [] {
    std::array<std::int32_t, protocol::kBaudRates.size()> rates{};
    for (std::size_t i = 0; i < rates.size(); ++i) rates[i] = protocol::kBaudRates[i].rate;
    return rates;
}();

inline bool IsBaudIndex(std::int64_t index) {
    return index >= 0 && index < static_cast<std::int64_t>(kBaudTable.size());
}

// The rate of a baud index; -1 (a rate the library refuses) for an index that
// names none.
inline std::int32_t BaudRateOf(std::int64_t index) {
    return IsBaudIndex(index) ? kBaudTable[static_cast<std::size_t>(index)] : -1;
}

}  // namespace tilvane
