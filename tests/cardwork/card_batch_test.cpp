// Batches with a reader of fakes: the field watched for a card coming and the
// card in hand leaving, what each card's record comes to, the loop that skips
// a UID written before, the Ultralight writer's refusals, differences and
// block in doubt, and the Mifare job passing over another card.

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <map>

#include "cardwork/batch_jobs.h"
#include "cardwork/card_batch.h"
#include "cardwork/field_watch.h"
#include "cardwork/ultralight_write.h"
#include "fake_reader.h"

namespace {

using cardkit::Bytes;
using cardwork::BatchCard;
using cardwork::BatchResult;
using fake_reader::calls_of;
using fake_reader::results;

const Bytes kUid = {0x12, 0x34, 0x56, 0x78};
const cardwork::TypeACard kCard{kUid, {0x04, 0x00}, 0x08};
const Bytes kUltralightUid = {0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, 0x80};
const cardwork::TypeACard kUltralight{kUltralightUid, {0x44, 0x00}, std::nullopt};

class FakeReader : public ::testing::Test {
protected:
    void SetUp() override { fake_reader::reset(); }

    binding::ReaderApi api_ = fake_reader::api();
    std::atomic<bool> cancel_{false};
    cardwork::ReaderSession session_{api_, &cancel_};
};

// Polls without sleeping; `between` runs in each pause.
class Field : public FakeReader {
protected:
    cardwork::FieldWatch watch(std::function<void()> between = {}) {
        return cardwork::FieldWatch(session_, {}, [this, between](std::chrono::milliseconds) {
            ++pauses_;
            if (between) between();
        });
    }
    int pauses_ = 0;
};

TEST_F(Field, AnEmptyFieldCostsOneExchangeAPollAndACardIsSelectedWhenItComes) {
    results("rf_request", {2, 2});
    const auto card = watch().wait_for_card(nullptr);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->uid, kUid);
    EXPECT_EQ(card->sak, 0x08);
    EXPECT_EQ(pauses_, 2);
    EXPECT_EQ(fake_reader::calls(),
              (std::vector<std::string>{"rf_request(0,82)", "rf_request(0,82)", "rf_request(0,82)",
                                        "rf_anticoll(0,4)", "rf_select(0,12345678,4)"}));
}

TEST_F(Field, TheCardCountsAsGoneOnlyAfterTwoMissesInARow) {
    // Each poll: the card answers to its UID, none answers, another card
    // answers (ours does not select), or the reader reports a collision, which
    // tells neither.
    enum Poll { There, None, Other, Unclear };
    const struct {
        const char *name;
        std::vector<Poll> polls;  // the last one is the second miss in a row
    } rows[] = {
        {"empty at once", {None, None}},
        {"one silence is not enough", {None, There, None, None}},
        {"another card answers", {Other, Other}},
        {"another, then none", {There, Other, None}},
        {"a collision neither counts nor resets", {None, Unclear, None}},
    };
    for (const auto &row : rows) {
        fake_reader::reset();
        pauses_ = 0;
        std::deque<std::int32_t> requests, selects;
        for (const Poll poll : row.polls) {
            requests.push_back(poll == None ? 2 : poll == Unclear ? 3 : 0);
            if (poll == There || poll == Other) selects.push_back(poll == There ? 0 : 2);
        }
        fake_reader::state().results["rf_request"] = requests;
        fake_reader::state().results["rf_select"] = selects;
        ASSERT_TRUE(watch().wait_until_gone(kCard, nullptr)) << row.name;
        EXPECT_EQ(calls_of("rf_request").size(), row.polls.size()) << row.name;
        EXPECT_EQ(pauses_, static_cast<int>(row.polls.size()) - 1) << row.name;
        // Halted before the first poll and after each poll that found it.
        const auto there = std::count(row.polls.begin(), row.polls.end(), There);
        EXPECT_EQ(calls_of("rf_halt").size(), static_cast<std::size_t>(1 + there)) << row.name;
        EXPECT_EQ(fake_reader::calls().front(), "rf_halt(0)") << row.name;
        for (const std::string &select : calls_of("rf_select"))
            EXPECT_EQ(select, "rf_select(0,12345678,4)") << row.name;
    }
}

TEST_F(Field, AStopFlagEndsAWaitQuietlyAndAFailedLineEndsItWithTheCall) {
    std::atomic<bool> stop{false};
    results("rf_request", {2, 2, 2});
    EXPECT_FALSE(watch([&] { stop = true; }).wait_for_card(&stop));
    EXPECT_EQ(calls_of("rf_request").size(), 1u);
    fake_reader::reset();
    stop = false;
    EXPECT_FALSE(watch([&] { stop = true; }).wait_until_gone(kCard, &stop));
    EXPECT_EQ(calls_of("rf_request").size(), 1u);

    fake_reader::reset();
    results("rf_request", {2, 0x102});
    try {
        watch().wait_for_card(nullptr);
        ADD_FAILURE() << "no failure";
    } catch (const cardwork::CardError &error) {
        EXPECT_EQ(error.function(), "rf_request");
        EXPECT_EQ(error.result(), 0x102);
    }
}

TEST_F(Field, ACardThatCannotBeWorkedIsToldAndPassedOver) {
    // A 4-byte card answering with a 7-byte one: their ATQAs arrive OR-ed.
    fake_reader::state().card_type = {0x44, 0x00};
    results("rf_ul_select", {1});
    fake_reader::state().answers["rf_ul_select"] = {{0x12, 0x34, 0x56, 0x78}};
    std::vector<std::string> told;
    const auto card =
        watch().wait_for_card(nullptr, [&](const std::string &why) { told.push_back(why); });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("4-byte and 7-byte UIDs"), std::string::npos) << told[0];
    ASSERT_TRUE(card);
    EXPECT_EQ(card->uid, kUltralightUid);
}

TEST(BatchResults, WhatACardsRecordComesTo) {
    const cardwork::CardError gone = cardwork::CardError::call("rf_M1_write", 2);
    const struct {
        const char *name;
        std::vector<int> written;
        std::optional<int> in_doubt;
        bool stopped, skipped, differs, verify;
        BatchResult result;
    } rows[] = {
        {"all written", {4, 5}, {}, false, false, false, false, BatchResult::Written},
        {"all read back", {4, 5}, {}, false, false, false, true, BatchResult::Verified},
        {"nothing written", {}, {}, false, true, false, true, BatchResult::Failed},
        {"stopped before a write", {}, {}, true, false, false, false, BatchResult::Failed},
        {"stopped half way", {4}, {}, true, false, false, true, BatchResult::Partial},
        {"only the block in doubt", {}, 4, true, false, false, false, BatchResult::Partial},
        {"a block left", {4}, {}, false, true, false, false, BatchResult::Partial},
        {"read back otherwise", {4, 5}, {}, false, false, true, true, BatchResult::Failed},
    };
    for (const auto &row : rows) {
        BatchCard card;
        card.written = row.written;
        card.in_doubt = row.in_doubt;
        if (row.stopped) card.stopped = gone;
        if (row.skipped) card.skipped = {{6, "not written"}};
        if (row.differs) card.differences = {{5, "wrote 00, read back 01"}};
        card.verify = row.verify;
        EXPECT_EQ(cardwork::batch_result(card), row.result) << row.name;
    }
}

// A job whose records the test sets per UID; it makes no exchange itself.
class ScriptedJob : public cardwork::CardJob {
public:
    int blocks_to_write() const override { return 1; }
    std::string type_of(const cardwork::TypeACard &) const override { return "scripted"; }
    BatchCard work(cardwork::ReaderSession &, const cardwork::TypeACard &card,
                   const cardwork::ProgressCallback &) override {
        worked.push_back(card.uid);
        BatchCard record = records.at(card.uid);
        record.card = card;
        return record;
    }
    std::map<Bytes, BatchCard> records;
    std::vector<Bytes> worked;
};

BatchCard record_of(std::vector<int> written) {
    BatchCard record;
    record.written = std::move(written);
    return record;
}

class BatchLoop : public FakeReader {
protected:
    // Cards come one after another, each found at the first poll and gone
    // after two; `waiting` puts the next one in the field.
    cardwork::BatchTally run(const std::vector<Bytes> &cards) {
        std::deque<std::int32_t> requests;
        for (std::size_t i = 0; i < cards.size(); ++i) requests.insert(requests.end(), {0, 2, 2});
        requests.push_back(0x102);  // then the line fails
        fake_reader::state().results["rf_request"] = requests;
        std::size_t next = 0;
        cardwork::BatchEvents events;
        events.waiting = [&](int) {
            if (next < cards.size()) fake_reader::state().uid = cards[next++];
        };
        events.done = [&](const BatchCard &card) { told.push_back(card); };
        cardwork::BatchSettings settings;
        settings.pause = [](std::chrono::milliseconds) {};
        return cardwork::run_batch(session_, job, done, settings, nullptr, events);
    }

    ScriptedJob job;
    std::set<Bytes> done;
    std::vector<BatchCard> told;
};

const Bytes kA = {0x0A, 0, 0, 1}, kB = {0x0B, 0, 0, 2}, kC = {0x0C, 0, 0, 3};

TEST_F(BatchLoop, AUidWrittenBeforeIsSkippedAndAFailedCardMayComeAgain) {
    job.records = {{kA, record_of({4})}, {kB, record_of({})}, {kC, record_of({4})}};
    done = {kC};  // from a list of an earlier run
    const auto tally = run({kA, kB, kA, kC, kB});
    EXPECT_EQ(tally.end, cardwork::BatchEnd::ReaderFailed);
    ASSERT_TRUE(tally.failure);
    EXPECT_EQ(tally.failure->function(), "rf_request");
    EXPECT_EQ(job.worked, (std::vector<Bytes>{kA, kB, kB}));
    ASSERT_EQ(told.size(), 5u);
    const BatchResult results[] = {BatchResult::Written, BatchResult::Failed,
                                   BatchResult::SkippedDuplicate, BatchResult::SkippedDuplicate,
                                   BatchResult::Failed};
    for (std::size_t i = 0; i < told.size(); ++i) EXPECT_EQ(told[i].result, results[i]) << i;
    EXPECT_EQ(told[2].type, "scripted");
    EXPECT_EQ(tally.cards, 5);
    EXPECT_EQ(tally.written, 1);
    EXPECT_EQ(tally.failed, 2);
    EXPECT_EQ(tally.duplicates, 2);
    EXPECT_EQ(done, (std::set<Bytes>{kA, kC}));
}

class UltralightWrite : public FakeReader {
protected:
    UltralightWrite() {
        for (int page = 4; page < 16; ++page) dump_.set_block(page, page_data(page));
        dump_.set_block(3, Bytes{0x01, 0x02, 0x04, 0x08});
        dump_.set_block(2, Bytes{0xEE, 0xEE, 0x00, 0x80});
    }
    void SetUp() override {
        FakeReader::SetUp();
        set_card_head();
    }
    // Pages 0 to 3 as the card holds them: its check byte and internal byte in page 2.
    static void set_card_head() {
        fake_reader::state().blocks[0] = {0x04, 0x6E, 0x31, 0xC3, 0x5A, 0x2B, 0x48, 0x80,
                                          0x21, 0x48, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    }
    static Bytes page_data(int page) { return {std::uint8_t(page), 0xA5, 0x5A, 0x00}; }
    static std::string write_call(int page, const std::string &hex) {
        return "rf_ul_write(0," + std::to_string(page) + "," + hex + ")";
    }

    cardkit::CardDump dump_ = cardkit::CardDump::ultralight();
};

TEST_F(UltralightWrite, ALockedPageIsNotedAndTheCardSelectedAgainForTheNext) {
    results("rf_ul_write", {0, 6});
    const auto outcome =
        cardwork::write_ultralight_card(session_, kUltralight, dump_, {false, false});
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.report.written.size(), 11u);
    ASSERT_EQ(outcome.report.skipped.size(), 1u);
    EXPECT_EQ(outcome.report.skipped[0].block, 5);
    ASSERT_TRUE(outcome.report.refused);
    EXPECT_EQ(outcome.report.refused->function(), "rf_ul_write");
    EXPECT_EQ(outcome.report.refused->result(), 6);
    const auto &all = fake_reader::calls();
    const auto refused = std::find(all.begin(), all.end(), write_call(5, "05A55A00"));
    ASSERT_NE(refused, all.end());
    EXPECT_EQ(std::vector<std::string>(refused + 1, refused + 4),
              (std::vector<std::string>{"rf_request(0,82)", "rf_select(0,046E315A2B4880,7)",
                                        write_call(6, "06A55A00")}));
}

TEST_F(UltralightWrite, WhatReadsBackOtherwiseAndABlockTheLineLeftInDoubt) {
    // Pages 4 to 7 read back with page 5 changed; the OTP page lacks a bit.
    Bytes four;
    for (int page = 4; page < 8; ++page) {
        const Bytes data = page_data(page);
        four.insert(four.end(), data.begin(), data.end());
    }
    four[(5 - 4) * 4 + 1] = 0x00;  // page 5, byte 1
    fake_reader::state().blocks[4] = four;
    for (const int first : {8, 12}) {
        Bytes pages;
        for (int page = first; page < first + 4; ++page) {
            const Bytes data = page_data(page);
            pages.insert(pages.end(), data.begin(), data.end());
        }
        fake_reader::state().blocks[first] = pages;
    }
    fake_reader::state().blocks[0][12] = 0x01 | 0x40;  // OTP: bit of 0x01 and another
    fake_reader::state().blocks[0][13] = 0x02;
    fake_reader::state().blocks[0][14] = 0x00;  // lacks 0x04
    fake_reader::state().blocks[0][15] = 0x08;
    fake_reader::state().blocks[0][11] = 0x80;

    const auto outcome =
        cardwork::write_ultralight_card(session_, kUltralight, dump_, {true, true});
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.report.verified, 14);
    ASSERT_EQ(outcome.report.differences.size(), 2u);
    EXPECT_EQ(outcome.report.differences[0].block, 5);
    EXPECT_EQ(outcome.report.differences[0].note, "wrote 05A55A00, read back 05005A00");
    EXPECT_EQ(outcome.report.differences[1].block, 3);
    // Pages 0 to 3 for the card's own bytes of page 2; after the writes 4, 8,
    // 12 and 0 again.
    EXPECT_EQ(calls_of("rf_M1_read").size(), 5u);

    fake_reader::reset();
    results("rf_ul_write", {0, 0x102});
    const auto cut = cardwork::write_ultralight_card(session_, kUltralight, dump_, {});
    ASSERT_TRUE(cut.stopped);
    EXPECT_EQ(cut.report.written, std::vector<int>{4});
    EXPECT_EQ(cut.report.in_doubt, 5);
}

TEST_F(FakeReader, TheMifareJobPassesOverAnotherCardWithoutAnExchange) {
    cardkit::CardDump dump = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
    dump.set_block(4, Bytes(16, 0x44));
    cardwork::MifareBatchJob job(dump, {}, cardwork::KeyCandidates({}, {}));
    const BatchCard ultralight = job.work(session_, kUltralight, {});
    ASSERT_TRUE(ultralight.stopped);
    EXPECT_EQ(ultralight.stopped->kind(), cardwork::CardErrorKind::CardUnusable);
    EXPECT_TRUE(ultralight.type.empty());
    EXPECT_TRUE(fake_reader::calls().empty());
    EXPECT_EQ(cardwork::batch_result(ultralight), BatchResult::Failed);
}

}  // namespace
