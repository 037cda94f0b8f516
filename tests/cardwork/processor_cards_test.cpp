// Processor cards with a reader of fakes: what activation finds or why it finds
// nothing, and that each type's commands and release go through its own calls.

#include <gtest/gtest.h>

#include "cardwork/processor_cards.h"
#include "fake_reader.h"

namespace {

using fake_reader::calls_of;
using fake_reader::results;

class ProcessorCards : public ::testing::Test {
protected:
    void SetUp() override { fake_reader::reset(); }

    binding::ReaderApi api_ = fake_reader::api();
    cardwork::ReaderSession session_{api_};
};

TEST_F(ProcessorCards, ActivationTellsTheCardOrWhyThereIsNone) {
    const auto a = cardwork::activate_type_a(session_);
    ASSERT_TRUE(a.card);
    EXPECT_EQ(a.card->uid, (cardkit::Bytes{0x3E, 0x81, 0x22, 0x6D}));
    EXPECT_EQ(a.card->ats, (cardkit::Bytes{0x05, 0x78, 0x80, 0x70, 0x02}));

    results("rf_typea_rst", {0x0F});
    const auto refused = cardwork::activate_type_a(session_);
    EXPECT_FALSE(refused.card);
    EXPECT_EQ(refused.refusal, cardwork::kNotIso14443_4);

    // An ATQB too short to hold the PUPI is never taken for one.
    fake_reader::state().answers["rf_atqb"] = {{0x50, 0x4D, 0xAA}};
    try {
        cardwork::activate_type_b(session_);
        FAIL() << "a short ATQB was taken";
    } catch (const cardwork::CardError &error) {
        EXPECT_EQ(error.kind(), cardwork::CardErrorKind::CardUnusable);
    }
    EXPECT_TRUE(calls_of("rf_attrib").empty());
}

TEST_F(ProcessorCards, EachTypeExchangesAndIsReleasedThroughItsOwnCalls) {
    const auto b = cardwork::activate_type_b(session_);
    ASSERT_TRUE(b.card);
    EXPECT_EQ(b.card->pupi, (cardkit::Bytes{0x4D, 0xAA, 0x20, 0x17}));
    const cardkit::Bytes command = {0x00, 0x84, 0x00, 0x00, 0x08};
    EXPECT_EQ(cardwork::exchange_apdu(session_, *b.card, command), (cardkit::Bytes{0x90, 0x00}));
    cardwork::release(session_, *b.card);
    EXPECT_EQ(calls_of("rf_typeb_cos"), std::vector<std::string>{"rf_typeb_cos(0,0,0084000008,5)"});
    // The PUPI's bytes as they stand, 4D AA 20 17, in one value of this host.
    EXPECT_EQ(calls_of("rf_attrib"), std::vector<std::string>{"rf_attrib(0,388016717,0)"});
    EXPECT_EQ(calls_of("rf_hltb"), std::vector<std::string>{"rf_hltb(0,388016717)"});

    const auto a = cardwork::activate_type_a(session_);
    ASSERT_TRUE(a.card);
    EXPECT_EQ(cardwork::exchange_apdu(session_, *a.card, command), (cardkit::Bytes{0x90, 0x00}));
    cardwork::release(session_, *a.card);
    EXPECT_EQ(calls_of("rf_cos_command").size(), 1u);
    EXPECT_EQ(calls_of("rf_cl_deselect").size(), 1u);
}

}  // namespace
