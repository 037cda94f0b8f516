#include "progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace rfcard {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

std::string progress_line(double fraction, int width) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(fraction * width);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%4d%%", static_cast<int>(fraction * 100));
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '-') + "]" + percent;
}

ProgressBar::ProgressBar() : enabled_(isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
    if (drawn_) std::fputs("\r\033[K", stderr);
}

void ProgressBar::show(double fraction, const std::string &detail) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < kRedrawInterval && fraction < 1.0) return;
    last_ = now;
    drawn_ = true;
    std::fprintf(stderr, "\r\033[K%s %s", progress_line(fraction, kBarWidth).c_str(),
                 detail.c_str());
    std::fflush(stderr);
}

}  // namespace rfcard

namespace rfcard {

std::string progress_detail(const cardwork::Progress &progress) {
    if (progress.done >= progress.total) return "done";
    std::string text =
        std::string(progress.unit == cardwork::WorkUnit::Sector ? "sector " : "block ") +
        std::to_string(progress.done) + " of " + std::to_string(progress.total);
    if (const auto &search = progress.key_search) {
        text += std::string(search->type == cardkit::KeyType::A ? ", key A " : ", key B ") +
                std::to_string(search->tried + 1) + " of " + std::to_string(search->candidates);
    }
    return text;
}

void ProgressBar::show(const cardwork::Progress &progress) {
    if (enabled_) show(progress.fraction(), progress_detail(progress));
}

cardwork::ProgressCallback ProgressBar::callback() {
    return [this](const cardwork::Progress &progress) { show(progress); };
}

}  // namespace rfcard
