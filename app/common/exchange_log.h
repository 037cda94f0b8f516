#pragma once

// The exchange log's store: the library calls recorded by the logging table
// (common/logged_api.h), waiting to be taken by the log's window. Calls may be
// recorded from any thread (the workbench reads cards on a worker); the window
// takes them on the GUI thread, a batch at a time. What waits is bounded: past
// the capacity the oldest calls are dropped and counted.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tilvane {

// One library call as the log shows it. Key bytes are masked (`******`) in
// `arguments` and `returned`; the `_with_keys` texts hold them in clear, and
// only when the call was made while the log showed keys and masked something.
struct ExchangeEntry {
    std::chrono::system_clock::time_point time;  // when the call began
    std::chrono::nanoseconds duration{0};        // the library's own time
    std::string_view function;                   // the export's name (static storage)
    std::string arguments;                       // "address=0, block=4"
    std::string arguments_with_keys;
    std::optional<std::int32_t> result;  // none for a function without a result
    std::string meaning;                 // the result in words (binding::result_meaning)
    std::string returned;                // "data=00112233..., length=16"
    std::string returned_with_keys;
};

class ExchangeLog {
public:
    // The newest calls the log keeps.
    static constexpr std::size_t kCapacity = 10000;

    explicit ExchangeLog(std::size_t capacity = kCapacity);
    ExchangeLog(const ExchangeLog &) = delete;
    ExchangeLog &operator=(const ExchangeLog &) = delete;

    std::size_t capacity() const { return capacity_; }

    // Any thread. The first call recorded after a take() runs the ready hook.
    void append(ExchangeEntry entry);
    // The calls waiting, oldest first (at most the capacity); the next append
    // runs the ready hook again.
    std::vector<ExchangeEntry> take();
    std::size_t waiting() const;
    // Calls dropped because more than the capacity waited; take() does not reset it.
    std::uint64_t dropped() const;

    // Run on the recording thread, under the store's lock: it must only post
    // (a queued invocation), never call into widgets. Replacing or clearing it
    // waits for a run in progress, so its owner may go away right after.
    void set_ready_hook(std::function<void()> hook);

    // Whether calls are recorded with their keys in clear as well.
    void set_show_keys(bool show) { show_keys_.store(show, std::memory_order_relaxed); }
    bool show_keys() const { return show_keys_.load(std::memory_order_relaxed); }

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::deque<ExchangeEntry> waiting_;
    std::uint64_t dropped_ = 0;
    bool announced_ = false;
    std::function<void()> ready_hook_;
    std::atomic<bool> show_keys_{false};
};

}  // namespace tilvane
