// What pcscd is told of a slot, for sequences of cards found and gone between
// its questions.

#include <gtest/gtest.h>

#include <thread>

#include "presence_report.h"

namespace pcsc_test {
namespace {

// 'F' a card found, 'G' the card gone, '?' pcscd asks: the expected answer
// follows, 'P' present or 'A' absent.
struct Sequence {
    const char *name;
    const char *events;
};

class PresenceSequences : public ::testing::TestWithParam<Sequence> {};

TEST_P(PresenceSequences, TellPcscdOfEveryChange) {
    pcsc::PresenceReport report;
    const std::string events = GetParam().events;
    for (std::size_t i = 0; i < events.size(); ++i) {
        switch (events[i]) {
            case 'F':
                report.found();
                break;
            case 'G':
                report.gone();
                break;
            case '?': {
                const bool present = report.report();
                EXPECT_EQ(present ? 'P' : 'A', events[i + 1]) << "at " << i << " of " << events;
                ++i;
                break;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Presence, PresenceSequences,
    ::testing::Values(Sequence{"Empty", "?A?A"}, Sequence{"Inserted", "?AF?P?P"},
                      Sequence{"Removed", "F?PG?A"},
                      // Another card between two questions: absent once, then present.
                      Sequence{"Swapped", "F?PGF?A?P?P"},
                      // Found again after a failure, before pcscd asked.
                      Sequence{"FoundAgain", "F?PGF?A?P"},
                      // In and out between two questions: pcscd need not hear of it.
                      Sequence{"InAndOut", "?AFG?A"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PresenceWait, EndsOnNewsOrStopOrDeadline) {
    pcsc::PresenceReport report;
    const auto start = std::chrono::steady_clock::now();
    report.wait(start + std::chrono::milliseconds(50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));

    std::thread finder([&] { report.found(); });
    report.wait(std::chrono::steady_clock::now() + std::chrono::seconds(10));
    finder.join();
    EXPECT_TRUE(report.changed());
    report.report();

    std::thread stopper([&] { report.stop(); });
    report.wait(std::chrono::steady_clock::now() + std::chrono::seconds(10));
    stopper.join();
    EXPECT_TRUE(report.stopped());
}

}  // namespace
}  // namespace pcsc_test
