#pragma once

// The commands an operator has sent to a card or a SAM, oldest first, as the
// upper-case hex text of each command. Plain C++: the history and its file are
// read and written without the widgets.

#include <cstddef>
#include <deque>
#include <string>

namespace tilvane {

class CosHistory {
public:
    // At most this many entries: a new one beyond it pushes out the oldest.
    static constexpr std::size_t kMaxEntries = 201;

    // Appends `entry` as the newest, unless it equals the newest already there.
    void Add(std::string entry);
    void Clear() { entries_.clear(); }

    const std::deque<std::string> &entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    bool operator==(const CosHistory &) const = default;

private:
    std::deque<std::string> entries_;
};

}  // namespace tilvane
