// Two port sessions in one process, each on its own pseudo-terminal with its own
// reader: their exchanges run at the same time, and each gets its own reader's
// answers.

#include "transport/port_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "selmek_results.h"
#include "pseudo_terminal.h"

namespace {

using namespace transport_test;

const Bytes kRequest = {0xAA, 0xBB, 0x05, 0xFA, 0x00, 0x00, 0x13, 0x04, 0xED};
constexpr int kRounds = 50;

// Answers `rounds` requests with `answer`.
void serve(PseudoTerminal &line, const Bytes &answer, int rounds) {
    for (int i = 0; i < rounds && line.read(kRequest.size()) == kRequest; ++i) line.write(answer);
}

// Exchanges `rounds` times; the count of exchanges that did not bring `answer` back.
int exchange_rounds(selmek::PortSession &session, const Bytes &answer, int rounds) {
    int wrong = 0;
    for (int i = 0; i < rounds; ++i) {
        std::uint8_t response[1024];
        std::uint32_t length = 0;
        const std::int32_t result =
            session.exchange(kRequest.data(), kRequest.size(), response, &length);
        if (result != SELMEK_OK || Bytes(response, response + length) != answer) ++wrong;
    }
    return wrong;
}

TEST(PortSessions, OnTwoDevicesExchangeAtOnceEachWithItsOwnReader) {
    PseudoTerminal line_a;
    PseudoTerminal line_b;
    const selmek::WaitSettings waits{5s, 5s};
    selmek::PortSession a;
    selmek::PortSession b;
    ASSERT_EQ(a.open(line_a.slave_path(), 115200, waits), 0);
    ASSERT_EQ(b.open(line_b.slave_path(), 115200, waits), 0);
    const Bytes answer_a = reader_frame(0, {0xA1, 0xA2, 0xA3, 0xA4});
    const Bytes answer_b = reader_frame(0, Bytes(16, 0xB5));

    // Reader A holds its first answer back until session B has done all its
    // exchanges: a lock or line shared between the sessions would hold B up
    // behind A's exchange until this reader gave up.
    std::atomic<bool> a_asked{false};
    std::atomic<bool> b_done{false};
    bool b_done_before_a_answered = false;
    int wrong_a = -1;
    int wrong_b = -1;
    {
        ReaderStandIn reader_a(line_a, [&](PseudoTerminal &l) {
            if (l.read(kRequest.size()) != kRequest) return;
            a_asked = true;
            for (int i = 0; i < 400 && !b_done; ++i) std::this_thread::sleep_for(10ms);
            b_done_before_a_answered = b_done;
            l.write(answer_a);
            serve(l, answer_a, kRounds - 1);
        });
        ReaderStandIn reader_b(line_b, [&](PseudoTerminal &l) { serve(l, answer_b, kRounds); });
        std::thread thread_a([&] { wrong_a = exchange_rounds(a, answer_a, kRounds); });
        for (int i = 0; i < 400 && !a_asked; ++i) std::this_thread::sleep_for(10ms);
        wrong_b = exchange_rounds(b, answer_b, kRounds);
        b_done = true;
        thread_a.join();
    }
    EXPECT_TRUE(b_done_before_a_answered);
    EXPECT_EQ(wrong_a, 0);
    EXPECT_EQ(wrong_b, 0);
}

}  // namespace
