// The Type A select sequence with a reader of fakes: the step that stops it and
// why, as every program that selects a card is told it, and the fields a
// reader cannot select from.

#include <gtest/gtest.h>

#include "cardwork/type_a.h"
#include "fake_reader.h"

namespace {

using cardwork::TypeAStep;
using fake_reader::results;

class TypeASelect : public ::testing::Test {
protected:
    void SetUp() override { fake_reader::reset(); }

    binding::ReaderApi api_ = fake_reader::api();
    cardwork::ReaderSession session_{api_};
};

TEST_F(TypeASelect, TheStepThatStopsASelectIsReportedWithItsResultOrItsAnswersSize) {
    const struct {
        const char *name;
        const char *scripted;  // the function whose next result is `result`
        std::int32_t result;
        std::uint8_t uid_length;
        TypeAStep step;
        std::int32_t reported;
        int answer_size;
        std::size_t calls;
    } rows[] = {
        {"request", "rf_request", 0x102, 4, TypeAStep::Request, 0x102, 0, 1},
        {"anticollision", "rf_anticoll", 0x0B, 4, TypeAStep::Anticollision, 0x0B, 0, 2},
        {"a 7-byte answer", "rf_anticoll", 0, 7, TypeAStep::Anticollision, 0, 7, 2},
        {"select", "rf_select", 2, 4, TypeAStep::Select, 2, 0, 3},
    };
    for (const auto &row : rows) {
        fake_reader::reset();
        fake_reader::state().uid_length = row.uid_length;
        results(row.scripted, {row.result});
        const auto selection = cardwork::select_4_byte_uid(session_);
        ASSERT_FALSE(selection.card) << row.name;
        ASSERT_TRUE(selection.failure) << row.name;
        EXPECT_EQ(selection.failure->step, row.step) << row.name;
        EXPECT_STREQ(selection.failure->function, row.scripted) << row.name;
        EXPECT_EQ(selection.failure->result, row.reported) << row.name;
        EXPECT_EQ(selection.failure->answer_size, row.answer_size) << row.name;
        EXPECT_EQ(fake_reader::calls().size(), row.calls) << row.name;
    }
    fake_reader::reset();
    const auto selected = cardwork::select_4_byte_uid(session_, protocol::kRequestIdle);
    ASSERT_TRUE(selected.card);
    EXPECT_FALSE(selected.failure);
    EXPECT_EQ(fake_reader::calls(),
              (std::vector<std::string>{"rf_request(0,38)", "rf_anticoll(0,4)",
                                        "rf_select(0,12345678,4)"}));
    EXPECT_EQ(selected.card->uid, (cardkit::Bytes{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(selected.card->sak, 0x08);
}

TEST_F(TypeASelect, AnAnswerOfTheWrongSizeIsRefusedInWords) {
    const auto error = cardwork::step_error({TypeAStep::Anticollision, "rf_anticoll", 0, 7});
    EXPECT_EQ(error.kind(), cardwork::CardErrorKind::CardUnusable);
    EXPECT_STREQ(error.what(), "rf_anticoll answered 7 bytes, not a UID of 4");
    const auto call = cardwork::step_error({TypeAStep::Select, "rf_select", 2}, "the card");
    EXPECT_STREQ(call.what(), "the card: rf_select returned 2, reader status 02: no card");
}

TEST_F(TypeASelect, FieldsNoCardCanBeSelectedFromAreTold) {
    // The ATQAs of a 4-byte and a 7-byte card together, and the 4-byte card
    // answering the Ultralight select.
    fake_reader::state().card_type = {0x44, 0x00};
    results("rf_ul_select", {1});
    fake_reader::state().answers["rf_ul_select"] = {{0x12, 0x34, 0x56, 0x78}};
    EXPECT_TRUE(cardwork::select_type_a(session_).mixed_uid_sizes);
    results("rf_ul_select", {1});
    fake_reader::state().answers["rf_ul_select"] = {{0x12, 0x34, 0x56, 0x78}};
    try {
        cardwork::require_type_a(
            session_, [](const cardwork::TypeACard &) { return true; },
            [](const cardwork::TypeACard &) { return std::string(); });
        FAIL() << "a card was taken";
    } catch (const cardwork::CardError &error) {
        EXPECT_EQ(error.kind(), cardwork::CardErrorKind::CardUnusable);
        EXPECT_NE(std::string(error.what()).find("4-byte and 7-byte UIDs"), std::string::npos);
    }
    // A triple-size UID.
    fake_reader::state().card_type = {0x84, 0x00};
    try {
        cardwork::select_type_a(session_);
        FAIL() << "a 10-byte UID was selected";
    } catch (const cardwork::CardError &error) {
        EXPECT_EQ(error.kind(), cardwork::CardErrorKind::CardUnusable);
    }
}

}  // namespace
