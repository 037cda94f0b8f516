#include "common/exchange_log.h"

#include <iterator>
#include <utility>

namespace tilvane {

ExchangeLog::ExchangeLog(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

void ExchangeLog::append(ExchangeEntry entry) {
    const std::lock_guard lock(mutex_);
    if (waiting_.size() == capacity_) {
        waiting_.pop_front();
        ++dropped_;
    }
    waiting_.push_back(std::move(entry));
    if (!announced_ && ready_hook_) {
        announced_ = true;
        ready_hook_();
    }
}

std::vector<ExchangeEntry> ExchangeLog::take() {
    std::deque<ExchangeEntry> taken;
    {
        const std::lock_guard lock(mutex_);
        taken.swap(waiting_);
        announced_ = false;
    }
    return {std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end())};
}

std::size_t ExchangeLog::waiting() const {
    const std::lock_guard lock(mutex_);
    return waiting_.size();
}

std::uint64_t ExchangeLog::dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

void ExchangeLog::set_ready_hook(std::function<void()> hook) {
    const std::lock_guard lock(mutex_);
    ready_hook_ = std::move(hook);
    // Calls that waited without a hook are announced to the new one.
    announced_ = false;
    if (ready_hook_ && !waiting_.empty()) {
        announced_ = true;
        ready_hook_();
    }
}

}  // namespace tilvane
