#include "answer_wait.h"

#include "selmek_results.h"

namespace selmek {

void AnswerWait::opened(std::chrono::milliseconds first_byte_wait,
                        std::chrono::milliseconds turnaround_allowance) {
    first_byte_wait_ = first_byte_wait;
    turnaround_allowance_ = turnaround_allowance;
    answered_ = false;
    probe_next_ = true;
}

void AnswerWait::rate_changed() { probe_next_ = !answered_; }

std::chrono::milliseconds AnswerWait::next() const {
    return probe_next_ ? turnaround_allowance_ : first_byte_wait_;
}

void AnswerWait::exchanged(std::int32_t result) {
    probe_next_ = false;
    if (result == SELMEK_OK) answered_ = true;
}

}  // namespace selmek
