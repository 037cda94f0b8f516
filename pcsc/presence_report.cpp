#include "presence_report.h"

namespace pcsc {

void PresenceReport::found() {
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = next_++;
    changed_.notify_all();
}

void PresenceReport::gone() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_ == 0) return;
    current_ = 0;
    changed_.notify_all();
}

bool PresenceReport::report() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (reported_ != 0 && current_ != 0 && current_ != reported_) {
        reported_ = 0;  // absent once: another card has taken its place
        return false;
    }
    reported_ = current_;
    return current_ != 0;
}

bool PresenceReport::reported_card_is_current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_ != 0 && current_ == reported_;
}

bool PresenceReport::changed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_ != reported_;
}

bool PresenceReport::holds_card() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_ != 0;
}

void PresenceReport::wait(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_until(lock, deadline, [this] { return stopped_ || current_ != reported_; });
}

void PresenceReport::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
}

bool PresenceReport::stopped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopped_;
}

}  // namespace pcsc
