// The SR176 page against a reader of fakes: the calls of each button with their
// arguments, the silent exact-length checks, the lock question, and what the
// boxes and the status band show.

#include <gtest/gtest.h>

#include "common/hex_edit.h"
#include "pages/sr176_page.h"
#include "accessibility.h"
#include "page_test.h"

namespace {

using P = tilvane::CSr176Page;
using app_test::Calls;

const Calls kSearch = {"rf_antenna_sta(0,0)", "rf_init_type(0,115)", "rf_antenna_sta(0,1)",
                       "rf_st_select(0)"};

class Sr176PageTest : public app_test::FakeReaderPageTest<P, 144> {
protected:
    void fill_blocks(const QString &text) {
        for (int id = P::IDC_BLOCK0; id <= P::IDC_BLOCK15; ++id) set(id, text);
    }
    int filled_blocks() {
        int filled = 0;
        for (int id = P::IDC_BLOCK0; id <= P::IDC_BLOCK15; ++id) filled += !text(id).isEmpty();
        return filled;
    }
};

TEST_F(Sr176PageTest, OpensWithItsBlockListLimitsAndCaptions) {
    EXPECT_EQ(entries(P::IDC_WRITE_BLOCK),
              (QStringList{"4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14"}));
    EXPECT_EQ(control<QComboBox>(P::IDC_WRITE_BLOCK)->currentText(), QStringLiteral("4"));
    EXPECT_EQ(control<tilvane::CHexEdit>(P::IDC_BLOCK0)->GetLimitBytes(), 2);
    EXPECT_EQ(control<tilvane::CHexEdit>(P::IDC_BLOCK15)->GetLimitBytes(), 2);
    EXPECT_EQ(control<tilvane::CHexEdit>(P::IDC_LOCK_REGISTER)->GetLimitBytes(), 1);
    EXPECT_EQ(control<QLineEdit>(P::IDC_CHIP_ID)->maxLength(), 32767);  // no limit
    EXPECT_EQ(control<QPushButton>(P::IDC_LOCK)->text(), QStringLiteral("Block Lock"));
    EXPECT_EQ(control<QPushButton>(P::IDC_READ)->text(), QStringLiteral("Read Card"));
    for (const auto &[caption, id] : {std::pair{"Chip - ID", int{P::IDC_CHIP_ID}},
                                      {"Lock_REG", P::IDC_LOCK_REGISTER},
                                      {"block7", P::IDC_BLOCK0 + 7}}) {
        EXPECT_EQ(app_test::FindByAccessibleName<QLineEdit>(&page, caption), control(id))
            << caption;
    }
    EXPECT_EQ(app_test::FindByAccessibleName<QComboBox>(&page, "Write block address"),
              control(P::IDC_WRITE_BLOCK));
}

TEST_F(Sr176PageTest, SearchEmptiesTheBlocksAndShowsTheChipId) {
    fill_blocks("11");
    click(P::IDC_SEARCH);
    EXPECT_EQ(calls(), kSearch);
    EXPECT_EQ(sleeps, std::vector<unsigned>{10});
    EXPECT_EQ(text(P::IDC_CHIP_ID), QStringLiteral("06"));
    EXPECT_EQ(filled_blocks(), 0);
    EXPECT_EQ(band.text(), QStringLiteral("Search card successfully"));
}

TEST_F(Sr176PageTest, ASearchWithNoCardTriesTwiceAndKeepsTheBlocks) {
    fill_blocks("11");
    set(P::IDC_CHIP_ID, "06");
    fake_reader::results("rf_st_select", {2, 2});
    click(P::IDC_SEARCH);
    Calls twice = kSearch;
    twice.insert(twice.end(), kSearch.begin(), kSearch.end());
    EXPECT_EQ(calls(), twice);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 2 ,Function: rf_st_select"));
    EXPECT_EQ(text(P::IDC_CHIP_ID), QString());
    EXPECT_EQ(filled_blocks(), 16);
    EXPECT_EQ(beeps(), 2);
}

TEST_F(Sr176PageTest, ReadShowsTheSixteenBlocksAsTheReaderSendsThem) {
    for (int block = 0; block < 16; ++block) {
        fake_reader::state().memory["rf_sr176_readblock"][block] = {
            static_cast<std::uint8_t>(block), 0xA0};
    }
    click(P::IDC_READ);
    ASSERT_EQ(calls().size(), 16u);
    EXPECT_EQ(calls().back(), "rf_sr176_readblock(0,15)");
    EXPECT_EQ(text(P::IDC_BLOCK0), QStringLiteral("00A0"));
    EXPECT_EQ(text(P::IDC_BLOCK15), QStringLiteral("0FA0"));
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
}

TEST_F(Sr176PageTest, ABlockOfOneByteEndsTheReadWithItsNumber) {
    fill_blocks("11");
    fake_reader::state().memory["rf_sr176_readblock"][6] = {0x42};
    click(P::IDC_READ);
    EXPECT_EQ(calls().back(), "rf_sr176_readblock(0,6)");
    EXPECT_EQ(band.text(), QStringLiteral("Error: 0 ,Function: Read Block: 6 failed!"));
    EXPECT_EQ(filled_blocks(), 6);
    EXPECT_EQ(text(P::IDC_BLOCK0 + 5), QStringLiteral("0000"));
    EXPECT_EQ(text(P::IDC_BLOCK0 + 6), QString());
}

struct WriteCase {
    const char *name;
    const char *data;
    const char *call;  // null: nothing is sent and nothing shown
};

class Sr176Write : public Sr176PageTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(Sr176Write, SendsExactlyTwoBytesOrNothingAtAll) {
    choose(P::IDC_WRITE_BLOCK, 9);
    set(P::IDC_BLOCK0 + 9, GetParam().data);
    click(P::IDC_WRITE);
    EXPECT_TRUE(boxes().empty());
    if (GetParam().call == nullptr) {
        EXPECT_TRUE(calls().empty());
        EXPECT_EQ(band.text(), QString());
    } else {
        EXPECT_EQ(calls(), Calls{GetParam().call});
        EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    }
}

INSTANTIATE_TEST_SUITE_P(Data, Sr176Write,
                         ::testing::Values(WriteCase{"two_bytes", "beEF",
                                                     "rf_sr176_writeblock(0,9,BEEF)"},
                                           WriteCase{"one_byte", "BE", nullptr},
                                           WriteCase{"stray_last_digit", "BEE", nullptr},
                                           WriteCase{"empty", "", nullptr}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Sr176PageTest, LockAsksFirstAndSendsTheByteOnlyOnOk) {
    set(P::IDC_LOCK_REGISTER, "0F");
    answer(QMessageBox::Cancel);
    click(P::IDC_LOCK);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Do you really need to lock block?"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);

    answer(QMessageBox::Ok);
    click(P::IDC_LOCK);
    EXPECT_EQ(calls(), Calls{"rf_sr176_protectblock(0,15)"});
    EXPECT_EQ(band.text(), QStringLiteral("Lock block success"));

    fake_reader::results("rf_sr176_protectblock", {6});
    click(P::IDC_LOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: rf_sr176_protectblock"));
}

TEST_F(Sr176PageTest, ALockValueOfAnotherLengthAsksNothingAndSendsNothing) {
    for (const char *value : {"", "F"}) {
        set(P::IDC_LOCK_REGISTER, value);
        click(P::IDC_LOCK);
    }
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(calls().empty());
}

TEST_F(Sr176PageTest, WithoutAPortEveryButtonSendsNothing) {
    state.set_connected(false);
    set(P::IDC_LOCK_REGISTER, "01");
    set(P::IDC_BLOCK0 + 4, "0102");
    for (int button : {P::IDC_SEARCH, P::IDC_READ, P::IDC_WRITE, P::IDC_LOCK}) {
        click(button);
        EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device")) << button;
    }
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(boxes().empty());
}

}  // namespace
