#pragma once

// The seven rates the reader runs at; settings store the index, not the rate.

#include <array>
#include <cstdint>

namespace tilvane {

inline constexpr std::array<std::int32_t, 7> kBaudTable = {9600,  14400, 19200, 28800,
                                                           38400, 57600, 115200};

inline bool IsBaudIndex(std::int64_t index) {
    return index >= 0 && index < static_cast<std::int64_t>(kBaudTable.size());
}

// The rate of a baud index; -1 (a rate the library refuses) for an index that
// names none.
inline std::int32_t BaudRateOf(std::int64_t index) {
    return IsBaudIndex(index) ? kBaudTable[static_cast<std::size_t>(index)] : -1;
}

}  // namespace tilvane
