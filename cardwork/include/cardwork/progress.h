#pragma once

// How far whole-card work has come, told to the caller's callback as it goes:
// before each key tried, at the start of each sector, after each block or page
// read, and once at the end. The callback runs on the working thread; it must
// not call into the session.

#include <cstddef>
#include <functional>
#include <optional>

#include "cardkit/mifare_layout.h"

namespace cardwork {

enum class WorkUnit { Sector, Block };

struct Progress {
    WorkUnit unit = WorkUnit::Block;
    int done = 0;   // units finished
    int total = 0;  // units of the whole card
    // The key search under way in unit `done`, when there is one.
    struct KeySearch {
        cardkit::KeyType type;
        std::size_t tried;       // candidates tried before the one tried now
        std::size_t candidates;  // of this search
    };
    std::optional<KeySearch> key_search;
    long keys_tried = 0;  // authentications tried while searching, the whole work
    long exchanges = 0;   // of the session, the whole work

    // 0 to 1 of the whole: a key search counts within its sector, key A's for
    // the first half and key B's for the second.
    double fraction() const;
};

using ProgressCallback = std::function<void(const Progress &)>;

}  // namespace cardwork
