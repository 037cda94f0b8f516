#pragma once

// Runs one piece of card work at a time on a thread of its own, so the window
// stays responsive: the work gets a cardwork session over the reader library and
// a progress callback. Progress reaches the GUI thread through queued calls,
// at most one every kProgressInterval, and the last one before the end always.
// Cancel() sets the session's atomic flag: the work stops before its next
// exchange, keeping what it did. The work's results travel in whatever the job
// captured; finished() is the moment they are complete.

#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "binding/reader_api.h"
#include "cardwork/progress.h"
#include "cardwork/reader_session.h"

namespace tilvane {

class CardWorker : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kProgressInterval{30};

    using Job = std::function<void(cardwork::ReaderSession &, const cardwork::ProgressCallback &)>;

    explicit CardWorker(QObject *parent = nullptr);
    // Cancels work still running and waits for it.
    ~CardWorker() override;

    // Starts `job` with a session over a copy of `api`; false when work runs
    // already.
    bool Start(const binding::ReaderApi &api, Job job);
    void Cancel();
    bool running() const { return running_; }
    bool cancel_requested() const { return cancel_.load(); }
    // Waits for the work to end and delivers finished() now, if it has not been
    // delivered yet (a window closing during work).
    void Finish();

signals:
    void progressed(const cardwork::Progress &progress);
    void finished();

private:
    void Report(const cardwork::Progress &progress);  // on the work's thread
    void DeliverProgress();
    void DeliverFinished();

    binding::ReaderApi api_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;

    std::mutex mutex_;  // guards the three below
    std::optional<cardwork::Progress> latest_;
    bool delivery_posted_ = false;
    std::chrono::steady_clock::time_point last_posted_{};
};

}  // namespace tilvane
