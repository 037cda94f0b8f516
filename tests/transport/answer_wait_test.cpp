// Which exchanges are probes: the one right after the open or a change of rate,
// until a reader has answered since the open.

#include "answer_wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "selmek_results.h"

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kWait{500};
constexpr milliseconds kTurnaround{30};

enum class Event { open, rate, answered, silent };

struct Sequence {
    const char *name;
    std::vector<Event> events;
    milliseconds next;
};

void PrintTo(const Sequence &s, std::ostream *os) { *os << s.name; }

class NextExchange : public ::testing::TestWithParam<Sequence> {};

TEST_P(NextExchange, WaitsAsThePortsHistorySays) {
    selmek::AnswerWait wait;
    for (const Event event : GetParam().events) {
        switch (event) {
            case Event::open:
                wait.opened(kWait, kTurnaround);
                break;
            case Event::rate:
                wait.rate_changed();
                break;
            case Event::answered:
                wait.exchanged(SELMEK_OK);
                break;
            case Event::silent:
                wait.exchanged(SELMEK_ERR_TIMEOUT);
                break;
        }
    }
    EXPECT_EQ(wait.next(), GetParam().next);
}

using E = Event;
const Sequence kSequences[] = {
    {"right_after_the_open", {E::open}, kTurnaround},
    {"after_a_silent_probe_at_the_same_rate", {E::open, E::silent}, kWait},
    {"after_each_change_of_rate_while_searching", {E::open, E::silent, E::rate, E::silent, E::rate},
     kTurnaround},
    {"once_the_reader_answered", {E::open, E::answered}, kWait},
    {"after_a_change_of_rate_once_the_reader_answered",
     {E::open, E::silent, E::rate, E::answered, E::rate}, kWait},
    {"after_opening_again", {E::open, E::answered, E::open}, kTurnaround},
};

INSTANTIATE_TEST_SUITE_P(AnswerWait, NextExchange, ::testing::ValuesIn(kSequences),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
