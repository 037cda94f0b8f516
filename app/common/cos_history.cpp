#include "common/cos_history.h"

namespace tilvane {

void CosHistory::Add(std::string entry) {
    // Sending one command again and again leaves one entry.
    if (!entries_.empty() && entries_.back() == entry) return;
    if (entries_.size() >= kMaxEntries) entries_.pop_front();
    entries_.push_back(std::move(entry));
}

}  // namespace tilvane
