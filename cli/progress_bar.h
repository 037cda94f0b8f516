#pragma once

// A one-line progress bar on standard error, drawn only when that is a terminal
// (a pipe or a file gets nothing), redrawn at most ten times a second.

#include <chrono>
#include <string>

#include "cardwork/progress.h"

namespace rfcard {

class ProgressBar {
public:
    ProgressBar();
    ~ProgressBar();  // clears the line
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    // `fraction` 0 to 1 of the whole; `detail` what is being done.
    void show(double fraction, const std::string &detail);
    // Card work's progress: "sector 3 of 16, key B 12 of 200".
    void show(const cardwork::Progress &progress);
    // show(progress) as card work's callback.
    cardwork::ProgressCallback callback();

private:
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

// "[#######-------------]  35%" for `fraction` in `width` characters.
std::string progress_line(double fraction, int width);

// What card work is doing, in words: "sector 3 of 16, key B 12 of 200", "done".
std::string progress_detail(const cardwork::Progress &progress);

}  // namespace rfcard
