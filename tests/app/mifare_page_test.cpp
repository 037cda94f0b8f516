// The Mifare Classic page against a reader of fakes: which calls each button
// makes with which arguments, what the fields and the status band then show, and
// every check, question and failure path.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "common/hex_edit.h"
#include "common/operator_messages.h"
#include "common/status_band.h"
#include "common/value_edit.h"
#include "pages/mifare_classic_page.h"
#include "common/app_state.h"
#include "accessibility.h"
#include "app_test.h"
#include "page_test.h"

namespace {

using P = tilvane::CMifareClassicPage;
using app_test::Calls;

const Calls kSearch = {"rf_antenna_sta(0,0)", "rf_init_type(0,65)", "rf_antenna_sta(0,1)",
                       "rf_request(0,82)",    "rf_anticoll(0,4)",   "rf_select(0,12345678,4)"};
const char *kKey = "FFFFFFFFFFFF";

Calls Join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls &part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string Auth(int code, int block) {
    char text[80];
    std::snprintf(text, sizeof text, "rf_M1_authentication2(0,0x%02X,%d,%s)", code, block, kKey);
    return text;
}

fake_reader::Bytes Block(std::uint8_t first) {
    fake_reader::Bytes block(16);
    for (int i = 0; i < 16; ++i)
        block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(first + i);
    return block;
}

std::string Hex(const fake_reader::Bytes &bytes) {
    return tilvane::BytesToHex(bytes).toStdString();
}

class MifarePageTest : public app_test::FakeReaderPageTest<P, 104> {
protected:
    // A search that succeeds, then an empty call log.
    void select_card() {
        click(P::IDC_SEARCH);
        ASSERT_TRUE(page.card_selected());
        fake_reader::state().calls.clear();
        sleeps.clear();
    }
};

// ---- Opening ------------------------------------------------------------------------

TEST_F(MifarePageTest, OpensWithItsListsKeyTypesAndLimits) {
    EXPECT_EQ(entries(P::IDC_PURSE_SECTOR).size(), 16);
    EXPECT_EQ(entries(P::IDC_PURSE_BLOCK), (QStringList{"1", "2"}));
    EXPECT_EQ(entries(P::IDC_W1_SECTOR).size(), 64);
    EXPECT_EQ(entries(P::IDC_W1_SECTOR).last(), QStringLiteral("63"));
    EXPECT_EQ(entries(P::IDC_W1_BLOCK), (QStringList{"0", "1", "2", "3"}));
    EXPECT_EQ(entries(P::IDC_W2_SECTOR),
              (QStringList{"32", "33", "34", "35", "36", "37", "38", "39"}));
    EXPECT_EQ(entries(P::IDC_W2_BLOCK).size(), 16);
    for (int list : {P::IDC_PURSE_SECTOR, P::IDC_PURSE_BLOCK, P::IDC_W1_SECTOR, P::IDC_W1_BLOCK,
                     P::IDC_W2_SECTOR, P::IDC_W2_BLOCK}) {
        EXPECT_EQ(control<QComboBox>(list)->currentIndex(), 0) << list;
    }
    for (int radio : {P::IDC_PURSE_KEY_A, P::IDC_W1_KEY_A, P::IDC_W2_KEY_A}) {
        EXPECT_TRUE(control<QRadioButton>(radio)->isChecked()) << radio;
    }
    struct Limit {
        int id;
        int characters;
    };
    for (const Limit &limit :
         {Limit{P::IDC_PURSE_KEY, 12}, Limit{P::IDC_PURSE_VALUE, 11},
          Limit{P::IDC_PURSE_VALUE_HEX, 8}, Limit{P::IDC_W1_KEY, 12}, Limit{P::IDC_W2_KEY, 12},
          Limit{P::IDC_W1_DATA0, 32}, Limit{P::IDC_W1_DATA2, 32}, Limit{P::IDC_W2_DATA1, 32},
          Limit{P::IDC_W1_TRAILER_KEY_A, 12}, Limit{P::IDC_W1_TRAILER_ACCESS, 8},
          Limit{P::IDC_W1_TRAILER_KEY_B, 12}, Limit{P::IDC_W2_TRAILER_KEY_A, 12},
          Limit{P::IDC_W2_TRAILER_ACCESS, 8}, Limit{P::IDC_W2_TRAILER_KEY_B, 12}}) {
        EXPECT_EQ(control<QLineEdit>(limit.id)->maxLength(), limit.characters) << limit.id;
    }
    for (int id = P::IDC_W2_DATA3; id <= P::IDC_W2_DATA3 + 11; ++id) {
        EXPECT_NE(control<tilvane::CHexEdit>(id), nullptr);
    }
    EXPECT_EQ(text(P::IDC_PURSE_KEY), QString());  // no default key
    EXPECT_TRUE(control<QPushButton>(P::IDC_W1_WRITE)->isEnabled());
    EXPECT_EQ(control<QPushButton>(P::IDC_SEARCH)->text(), QStringLiteral("SearchCard"));
    EXPECT_EQ(control<QPushButton>(P::IDC_W2_WRITE)->text(), QStringLiteral("Write Block"));
    EXPECT_FALSE(page.card_selected());
}

TEST(MifarePageTemplates, CompactTemplatesCarryChineseCaptions) {
    tilvane::AppState state;
    P page(state, 102);
    auto *search = qobject_cast<QPushButton *>(page.Control(P::IDC_SEARCH));
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->text(), QString::fromUtf8("寻卡"));
    auto *balance = qobject_cast<QPushButton *>(page.Control(P::IDC_PURSE_BALANCE));
    EXPECT_EQ(balance->text(), QString::fromUtf8("读余额"));
    EXPECT_EQ(app_test::AccessibleName(page.Control(P::IDC_W1_SECTOR)),
              QString::fromUtf8("扇区号"));
}

TEST_F(MifarePageTest, LabelledControlsAreFoundByTheirCaptionsWithinTheirFrame) {
    struct Labelled {
        int frame;
        const char *caption;
        int id;
    };
    for (const Labelled &row : {Labelled{P::IDC_PURSE_GROUP, "Sector", P::IDC_PURSE_SECTOR},
                                Labelled{P::IDC_PURSE_GROUP, "Block", P::IDC_PURSE_BLOCK},
                                Labelled{P::IDC_PURSE_GROUP, "Key", P::IDC_PURSE_KEY},
                                Labelled{P::IDC_PURSE_GROUP, "数据", P::IDC_PURSE_VALUE},
                                Labelled{P::IDC_W1_GROUP, "Sector", P::IDC_W1_SECTOR},
                                Labelled{P::IDC_W1_GROUP, "Key", P::IDC_W1_KEY},
                                Labelled{P::IDC_W1_GROUP, "Access bits", P::IDC_W1_TRAILER_ACCESS},
                                Labelled{P::IDC_W2_GROUP, "Block", P::IDC_W2_BLOCK},
                                Labelled{P::IDC_W2_GROUP, "Key B", P::IDC_W2_TRAILER_KEY_B},
                                Labelled{P::IDC_W2_GROUP, "Block 14", P::IDC_W2_DATA3 + 11}}) {
        QWidget *frame = control(row.frame);
        QWidget *found =
            qobject_cast<QComboBox *>(control(row.id))
                ? static_cast<QWidget *>(app_test::FindByAccessibleName<QComboBox>(
                      frame, QString::fromUtf8(row.caption)))
                : app_test::FindByAccessibleName<QLineEdit>(frame, QString::fromUtf8(row.caption));
        EXPECT_EQ(found, control(row.id)) << row.caption << " of " << row.frame;
    }
    EXPECT_EQ(app_test::AccessibleName(control(P::IDC_PURSE_GROUP)),
              QStringLiteral("Purse Function"));
}

// ---- Search ---------------------------------------------------------------------------

TEST_F(MifarePageTest, SearchFindsSelectsAndShowsTheCard) {
    click(P::IDC_SEARCH);
    EXPECT_EQ(calls(), kSearch);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{20, 20, 50}));
    EXPECT_EQ(text(P::IDC_UID), QStringLiteral("12345678"));
    EXPECT_TRUE(page.card_selected());
    // The band ends with the plain success, not the search message.
    EXPECT_EQ(band.text(), QStringLiteral("Operation success"));
    EXPECT_EQ(band.mark(), tilvane::StatusBand::Mark::Success);
}

TEST_F(MifarePageTest, SearchWithoutAConnectionCallsNothing) {
    state.set_connected(false);
    set(P::IDC_UID, "AABBCCDD");
    click(P::IDC_SEARCH);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device"));
    EXPECT_EQ(text(P::IDC_UID), QStringLiteral("AABBCCDD"));
    EXPECT_EQ(beeps(), 1);
}

struct FailingStep {
    const char *name;
    const char *function;
    std::vector<std::int32_t> results;  // of that function, over both attempts
    std::size_t calls_per_attempt;
    const char *band;
};

void PrintTo(const FailingStep &step, std::ostream *os) {
    *os << step.name;
}

class SearchFailure : public MifarePageTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(SearchFailure, BothAttemptsStopAtTheFailingStep) {
    set(P::IDC_UID, "AABBCCDD");
    for (std::int32_t result : GetParam().results)
        fake_reader::results(GetParam().function, {result});
    click(P::IDC_SEARCH);
    const Calls attempt(kSearch.begin(),
                        kSearch.begin() + static_cast<long>(GetParam().calls_per_attempt));
    EXPECT_EQ(calls(), Join({attempt, attempt}));
    EXPECT_EQ(band.text(), QString::fromLatin1(GetParam().band));
    EXPECT_EQ(text(P::IDC_UID), QString());
    EXPECT_FALSE(page.card_selected());
    EXPECT_EQ(beeps(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SearchFailure,
    ::testing::Values(
        FailingStep{
            "antenna_off", "rf_antenna_sta", {3, 3}, 1, "Error: 3 ,Function: rf_antenna_sta"},
        FailingStep{
            "init_type", "rf_init_type", {0x101, 0x101}, 2, "Error: 101 ,Function: rf_init_type"},
        FailingStep{
            "antenna_on", "rf_antenna_sta", {0, 4, 0, 4}, 3, "Error: 4 ,Function: rf_antenna_sta"},
        FailingStep{"request", "rf_request", {1, 1}, 4, "Error: 1 ,Function: rf_request"},
        FailingStep{
            "anticollision", "rf_anticoll", {0x0B, 0x0B}, 5, "Error: b ,Function: rf_anticoll"},
        FailingStep{"select", "rf_select", {2, 2}, 6, "Error: 2 ,Function: rf_select"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(MifarePageTest, ACardWithoutAFourByteUidIsNotSelected) {
    fake_reader::state().uid_length = 7;
    click(P::IDC_SEARCH);
    EXPECT_EQ(calls(), Join({{kSearch.begin(), kSearch.begin() + 5},
                             {kSearch.begin(), kSearch.begin() + 5}}));
    EXPECT_EQ(band.text(), QStringLiteral("Error: 0 ,Function: rf_anticoll"));
    EXPECT_EQ(text(P::IDC_UID), QString());
    EXPECT_FALSE(page.card_selected());
}

TEST_F(MifarePageTest, TheSecondAttemptCanSucceed) {
    fake_reader::results("rf_request", {0x0E});
    click(P::IDC_SEARCH);
    EXPECT_EQ(calls(), Join({{kSearch.begin(), kSearch.begin() + 4}, kSearch}));
    EXPECT_TRUE(page.card_selected());
    EXPECT_EQ(band.text(), QStringLiteral("Operation success"));
}

// ---- Purse ----------------------------------------------------------------------------

struct PurseCase {
    const char *name;
    int button;
    const char *function;
    const char *message;
};

void PrintTo(const PurseCase &purse, std::ostream *os) {
    *os << purse.name;
}

class PurseOperations : public MifarePageTest, public ::testing::WithParamInterface<PurseCase> {};

TEST_P(PurseOperations, SearchAuthenticateAndSendTheValueToTheChosenBlock) {
    choose(P::IDC_PURSE_SECTOR, 5);
    choose(P::IDC_PURSE_BLOCK, 2);
    control<QRadioButton>(P::IDC_PURSE_KEY_B)->setChecked(true);
    set(P::IDC_PURSE_KEY, kKey);
    set(P::IDC_PURSE_VALUE, "-250");
    click(GetParam().button);
    EXPECT_EQ(calls(),
              Join({kSearch, {Auth(0x61, 20), std::string(GetParam().function) + "(0,22,-250)"}}));
    EXPECT_EQ(band.text(), QString::fromLatin1(GetParam().message));
    EXPECT_TRUE(page.card_selected());

    // With the card selected, the next operation goes straight to work.
    fake_reader::state().calls.clear();
    click(GetParam().button);
    EXPECT_EQ(calls(), (Calls{Auth(0x61, 20), std::string(GetParam().function) + "(0,22,-250)"}));

    // A failure of the value call is reported and drops the selection.
    fake_reader::results(GetParam().function, {0x0C});
    click(GetParam().button);
    EXPECT_EQ(band.text(), QStringLiteral("Error: c ,Function: ") + GetParam().function);
    EXPECT_FALSE(page.card_selected());
}

INSTANTIATE_TEST_SUITE_P(Purse, PurseOperations,
                         ::testing::Values(PurseCase{"initialize", P::IDC_PURSE_INITIALIZE,
                                                     "rf_M1_initval",
                                                     "Initialize purse successfullly"},
                                           PurseCase{"increase", P::IDC_PURSE_INCREASE,
                                                     "rf_M1_increment", "Add successfully"},
                                           PurseCase{"decrease", P::IDC_PURSE_DECREASE,
                                                     "rf_M1_decrement", "Decrement successfully"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(MifarePageTest, AKeyOfAnotherLengthIsRefusedBeforeAnythingIsAuthenticated) {
    select_card();
    set(P::IDC_PURSE_VALUE, "5");
    for (const char *key : {"", "FFFFFFFFFF", "FFFFFFFFFFF"}) {
        set(P::IDC_PURSE_KEY, key);
        click(P::IDC_PURSE_INITIALIZE);
    }
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Please input 6 bytes key"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(page.card_selected());
}

TEST_F(MifarePageTest, AMissingPurseValueIsAskedForAfterTheAuthentication) {
    select_card();
    set(P::IDC_PURSE_KEY, kKey);
    for (const char *value : {"", "-1"}) {
        set(P::IDC_PURSE_VALUE, value);
        click(P::IDC_PURSE_INCREASE);
    }
    set(P::IDC_PURSE_VALUE_HEX, "FFFFFFFF");  // -1 as hex
    click(P::IDC_PURSE_DECREASE);
    EXPECT_EQ(calls(), (Calls{Auth(0x60, 0), Auth(0x60, 0), Auth(0x60, 0)}));
    ASSERT_EQ(boxes().size(), 3u);
    for (const auto &box : boxes()) {
        EXPECT_EQ(box.text, QStringLiteral("Please input data in data area"));
        EXPECT_EQ(box.caption, QStringLiteral("Warning"));
        EXPECT_EQ(box.icon, QMessageBox::Warning);
    }
}

TEST_F(MifarePageTest, AFailedAuthenticationDropsTheCardSoTheNextOperationSearches) {
    select_card();
    set(P::IDC_PURSE_KEY, kKey);
    set(P::IDC_PURSE_VALUE, "1");
    fake_reader::results("rf_M1_authentication2", {4});
    click(P::IDC_PURSE_INITIALIZE);
    EXPECT_EQ(calls(), Calls{Auth(0x60, 0)});
    EXPECT_EQ(band.text(), QStringLiteral("Error: 4 ,Function: rf_M1_authentication2"));
    EXPECT_FALSE(page.card_selected());

    fake_reader::state().calls.clear();
    click(P::IDC_PURSE_INITIALIZE);
    EXPECT_EQ(calls(), Join({kSearch, {Auth(0x60, 0), "rf_M1_initval(0,1,1)"}}));
}

TEST_F(MifarePageTest, BalanceShowsTheValueInBothBoxes) {
    select_card();
    choose(P::IDC_PURSE_SECTOR, 15);
    set(P::IDC_PURSE_KEY, kKey);
    fake_reader::state().value = 305419896;
    click(P::IDC_PURSE_BALANCE);
    EXPECT_EQ(calls(), (Calls{Auth(0x60, 60), "rf_M1_readval(0,61)"}));
    EXPECT_EQ(text(P::IDC_PURSE_VALUE), QStringLiteral("305419896"));
    EXPECT_EQ(text(P::IDC_PURSE_VALUE_HEX), QStringLiteral("78563412"));
    EXPECT_EQ(band.text(), QStringLiteral("Read successfully"));

    fake_reader::results("rf_M1_readval", {0x102});
    click(P::IDC_PURSE_BALANCE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 102 ,Function: rf_M1_readval"));
    EXPECT_NE(text(P::IDC_PURSE_VALUE), QStringLiteral("305419896"));
    EXPECT_FALSE(page.card_selected());
}

TEST_F(MifarePageTest, AFailedBalanceOnAFreshPageLeavesZeroForInitialize) {
    select_card();
    set(P::IDC_PURSE_KEY, kKey);
    fake_reader::results("rf_M1_readval", {0x102});
    click(P::IDC_PURSE_BALANCE);
    // Clearing the decimal box shows -1 as hex; clearing that shows 0.
    EXPECT_EQ(text(P::IDC_PURSE_VALUE), QStringLiteral("0"));
    EXPECT_EQ(text(P::IDC_PURSE_VALUE_HEX), QString());
    select_card();
    click(P::IDC_PURSE_INITIALIZE);
    EXPECT_EQ(calls(), (Calls{Auth(0x60, 0), "rf_M1_initval(0,1,0)"}));
}

TEST_F(MifarePageTest, ThePurseBlockListLeavesOutTheMakersBlockAndTheTrailer) {
    choose(P::IDC_PURSE_BLOCK, 2);
    choose(P::IDC_PURSE_SECTOR, 5);
    EXPECT_EQ(entries(P::IDC_PURSE_BLOCK), (QStringList{"0", "1", "2"}));
    EXPECT_EQ(control<QComboBox>(P::IDC_PURSE_BLOCK)->currentText(), QStringLiteral("2"));
    choose(P::IDC_PURSE_BLOCK, 0);
    choose(P::IDC_PURSE_SECTOR, 0);
    EXPECT_EQ(entries(P::IDC_PURSE_BLOCK), (QStringList{"1", "2"}));
    EXPECT_EQ(control<QComboBox>(P::IDC_PURSE_BLOCK)->currentText(), QStringLiteral("1"));
}

TEST_F(MifarePageTest, TheTwoValueBoxesShowOneValue) {
    QTest::keyClicks(control<QLineEdit>(P::IDC_PURSE_VALUE_HEX), "78563412");
    EXPECT_EQ(text(P::IDC_PURSE_VALUE), QStringLiteral("305419896"));
    set(P::IDC_PURSE_VALUE_HEX, "FF");
    EXPECT_EQ(text(P::IDC_PURSE_VALUE), QStringLiteral("255"));

    control<QLineEdit>(P::IDC_PURSE_VALUE)->clear();
    QTest::keyClicks(control<QLineEdit>(P::IDC_PURSE_VALUE), "3a05b419896");
    EXPECT_EQ(text(P::IDC_PURSE_VALUE), QStringLiteral("305419896"));  // letters ignored
    EXPECT_EQ(text(P::IDC_PURSE_VALUE_HEX), QStringLiteral("78563412"));
    set(P::IDC_PURSE_VALUE, "-2");
    EXPECT_EQ(text(P::IDC_PURSE_VALUE_HEX), QStringLiteral("FEFFFFFF"));
}

// ---- Block window 1 -----------------------------------------------------------------

TEST_F(MifarePageTest, Window1ReadsTheFourBlocksOfTheGroup) {
    select_card();
    for (int block = 8; block < 12; ++block) {
        fake_reader::state().blocks[block] = Block(static_cast<std::uint8_t>(block * 16));
    }
    choose(P::IDC_W1_SECTOR, 2);
    set(P::IDC_W1_KEY, kKey);
    click(P::IDC_W1_READ);
    EXPECT_EQ(calls(), (Calls{Auth(0x60, 8), "rf_M1_read(0,8)", "rf_M1_read(0,9)",
                              "rf_M1_read(0,10)", "rf_M1_read(0,11)"}));
    EXPECT_EQ(text(P::IDC_W1_DATA0).toStdString(), Hex(Block(0x80)));
    EXPECT_EQ(text(P::IDC_W1_DATA1).toStdString(), Hex(Block(0x90)));
    EXPECT_EQ(text(P::IDC_W1_DATA2).toStdString(), Hex(Block(0xA0)));
    EXPECT_EQ(text(P::IDC_W1_TRAILER_KEY_A), QStringLiteral("B0B1B2B3B4B5"));
    EXPECT_EQ(text(P::IDC_W1_TRAILER_ACCESS), QStringLiteral("B6B7B8B9"));
    EXPECT_EQ(text(P::IDC_W1_TRAILER_KEY_B), QStringLiteral("BABBBCBDBEBF"));
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
}

TEST_F(MifarePageTest, AFailedReadLeavesTheBlocksReadBeforeIt) {
    select_card();
    set(P::IDC_W1_KEY, kKey);
    set(P::IDC_W1_TRAILER_KEY_A, "AAAAAAAAAAAA");
    fake_reader::results("rf_M1_read", {0, 0, 0x15});
    click(P::IDC_W1_READ);
    EXPECT_EQ(calls().back(), "rf_M1_read(0,2)");
    EXPECT_FALSE(text(P::IDC_W1_DATA0).isEmpty());
    EXPECT_FALSE(text(P::IDC_W1_DATA1).isEmpty());
    EXPECT_TRUE(text(P::IDC_W1_DATA2).isEmpty());
    EXPECT_TRUE(text(P::IDC_W1_TRAILER_KEY_A).isEmpty());  // cleared before the read
    EXPECT_EQ(band.text(), QStringLiteral("Error: 15 ,Function: rf_M1_read"));
    EXPECT_FALSE(page.card_selected());
}

TEST_F(MifarePageTest, ABlockOfTheWrongSizeIsAFailure) {
    select_card();
    set(P::IDC_W1_KEY, kKey);
    fake_reader::state().block_lengths[1] = 4;
    click(P::IDC_W1_READ);
    EXPECT_EQ(calls().back(), "rf_M1_read(0,1)");
    EXPECT_EQ(band.text(), QStringLiteral("Error: 0 ,Function: rf_M1_read"));
    EXPECT_TRUE(text(P::IDC_W1_DATA1).isEmpty());
    EXPECT_FALSE(page.card_selected());
}

TEST_F(MifarePageTest, Window1WritesADataBlockPaddedWithZeros) {
    select_card();
    choose(P::IDC_W1_SECTOR, 1);
    choose(P::IDC_W1_BLOCK, 1);
    set(P::IDC_W1_KEY, kKey);
    set(P::IDC_W1_DATA1, "0102");
    click(P::IDC_W1_WRITE);
    EXPECT_EQ(calls(), (Calls{Auth(0x60, 4), "rf_M1_write(0,5,01020000000000000000000000000000)"}));
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));

    set(P::IDC_W1_DATA1, "");
    click(P::IDC_W1_WRITE);
    EXPECT_EQ(calls().back(), "rf_M1_write(0,5,00000000000000000000000000000000)");
    EXPECT_TRUE(boxes().empty());

    fake_reader::results("rf_M1_write", {0x0A});
    click(P::IDC_W1_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: a ,Function: rf_M1_write"));
    EXPECT_FALSE(page.card_selected());
}

TEST_F(MifarePageTest, WritingATrailerAsksFirstAndCancelSendsNothing) {
    select_card();
    choose(P::IDC_W1_SECTOR, 3);
    choose(P::IDC_W1_BLOCK, 3);
    set(P::IDC_W1_KEY, kKey);
    set(P::IDC_W1_TRAILER_KEY_A, "A0A1A2A3A4A5");
    set(P::IDC_W1_TRAILER_ACCESS, "FF0780");
    set(P::IDC_W1_TRAILER_KEY_B, "B0B1");

    answer(QMessageBox::Cancel);
    click(P::IDC_W1_WRITE);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Do you really write third block data?"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(boxes()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);

    answer(QMessageBox::Ok);
    click(P::IDC_W1_WRITE);
    EXPECT_EQ(calls(),
              (Calls{Auth(0x60, 12), "rf_M1_write(0,15,A0A1A2A3A4A5FF078000B0B100000000)"}));
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
}

TEST_F(MifarePageTest, BoxesWithAStrayLastDigitAreRefusedBeforeTheQuestion) {
    struct Case {
        const char *name;
        int sector_list, block_list, key, sector, block, write;
        std::vector<std::pair<int, const char *>> boxes;
    };
    const Case cases[] = {
        {"window 1 data", P::IDC_W1_SECTOR, P::IDC_W1_BLOCK, P::IDC_W1_KEY, 1, 1, P::IDC_W1_WRITE,
         {{P::IDC_W1_DATA1, "0102030"}}},
        {"window 1 access bits", P::IDC_W1_SECTOR, P::IDC_W1_BLOCK, P::IDC_W1_KEY, 3, 3,
         P::IDC_W1_WRITE,
         {{P::IDC_W1_TRAILER_KEY_A, "A0A1A2A3A4A5"},
          {P::IDC_W1_TRAILER_ACCESS, "FF0780F"},
          {P::IDC_W1_TRAILER_KEY_B, "B0B1"}}},
        {"window 2 key B", P::IDC_W2_SECTOR, P::IDC_W2_BLOCK, P::IDC_W2_KEY, 39, 15,
         P::IDC_W2_WRITE,
         {{P::IDC_W2_TRAILER_KEY_A, ""}, {P::IDC_W2_TRAILER_KEY_B, "B"}}},
        {"window 2 data", P::IDC_W2_SECTOR, P::IDC_W2_BLOCK, P::IDC_W2_KEY, 39, 14,
         P::IDC_W2_WRITE, {{P::IDC_W2_DATA3 + 11, "EEE"}}},
    };
    for (const Case &c : cases) {
        select_card();
        const std::size_t boxes_before = boxes().size();
        choose(c.sector_list, c.sector);
        choose(c.block_list, c.block);
        set(c.key, kKey);
        for (const auto &[id, value] : c.boxes) set(id, value);
        click(c.write);
        EXPECT_TRUE(calls().empty()) << c.name;
        ASSERT_EQ(boxes().size(), boxes_before + 1) << c.name;
        EXPECT_EQ(boxes().back().text, QStringLiteral("Please input data in data area")) << c.name;
        EXPECT_EQ(boxes().back().caption, QStringLiteral("Error")) << c.name;
    }
}

TEST_F(MifarePageTest, Window1RefreshFollowsTheSectorAndGuardsTheMakersBlock) {
    // Before the first refresh the Write button is enabled on sector 0, block 0.
    EXPECT_TRUE(control<QPushButton>(P::IDC_W1_WRITE)->isEnabled());
    choose(P::IDC_W1_BLOCK, 1);
    choose(P::IDC_W1_BLOCK, 0);
    EXPECT_FALSE(control<QPushButton>(P::IDC_W1_WRITE)->isEnabled());
    choose(P::IDC_W1_SECTOR, 32);
    EXPECT_EQ(entries(P::IDC_W1_BLOCK).size(), 16);
    EXPECT_TRUE(control<QPushButton>(P::IDC_W1_WRITE)->isEnabled());
    choose(P::IDC_W1_BLOCK, 10);
    choose(P::IDC_W1_SECTOR, 5);
    EXPECT_EQ(entries(P::IDC_W1_BLOCK), (QStringList{"0", "1", "2", "3"}));
    EXPECT_EQ(control<QComboBox>(P::IDC_W1_BLOCK)->currentIndex(), -1);

    // Write with no block chosen asks for one and sends nothing.
    select_card();
    set(P::IDC_W1_KEY, kKey);
    click(P::IDC_W1_WRITE);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Warning"));
}

TEST_F(MifarePageTest, WithoutAConnectionTheWindowsAreNotRefreshed) {
    state.set_connected(false);
    choose(P::IDC_W1_SECTOR, 40);
    EXPECT_EQ(entries(P::IDC_W1_BLOCK).size(), 4);
    choose(P::IDC_W1_SECTOR, 0);
    choose(P::IDC_W1_BLOCK, 0);
    EXPECT_TRUE(control<QPushButton>(P::IDC_W1_WRITE)->isEnabled());
    set(P::IDC_W1_KEY, kKey);
    click(P::IDC_W1_READ);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device"));
}

TEST_F(MifarePageTest, ABlockAddressBeyond255IsRefusedAndNothingIsSent) {
    choose(P::IDC_W1_SECTOR, 63);
    choose(P::IDC_W1_BLOCK, 15);  // 63 x 4 + 15 = 267
    set(P::IDC_W1_KEY, kKey);
    click(P::IDC_W1_WRITE);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(boxes()[0].text.contains(QStringLiteral("267")));

    // The last block of the card is still reachable.
    choose(P::IDC_W1_BLOCK, 3);
    click(P::IDC_W1_WRITE);  // the trailer question is answered OK
    EXPECT_EQ(calls().back(), "rf_M1_write(0,255,00000000000000000000000000000000)");
}

// ---- Block window 2 -------------------------------------------------------------------

TEST_F(MifarePageTest, Window2ReadsAll16BlocksOfA4KSector) {
    select_card();
    const int first = 128 + 16 * (33 - 32);
    for (int i = 0; i < 16; ++i) {
        fake_reader::state().blocks[first + i] = Block(static_cast<std::uint8_t>(i * 16));
    }
    choose(P::IDC_W2_SECTOR, 33);
    control<QRadioButton>(P::IDC_W2_KEY_B)->setChecked(true);
    set(P::IDC_W2_KEY, kKey);
    click(P::IDC_W2_READ);
    Calls expected{Auth(0x61, 144)};
    for (int i = 0; i < 16; ++i)
        expected.push_back("rf_M1_read(0," + std::to_string(144 + i) + ")");
    EXPECT_EQ(calls(), expected);
    for (int i = 0; i < 15; ++i) {
        const int id = i < 3 ? P::IDC_W2_DATA0 + 2 * i : P::IDC_W2_DATA3 + i - 3;
        EXPECT_EQ(text(id).toStdString(), Hex(Block(static_cast<std::uint8_t>(i * 16)))) << i;
    }
    EXPECT_EQ(text(P::IDC_W2_TRAILER_KEY_A), QStringLiteral("F0F1F2F3F4F5"));
    EXPECT_EQ(text(P::IDC_W2_TRAILER_ACCESS), QStringLiteral("F6F7F8F9"));
    EXPECT_EQ(text(P::IDC_W2_TRAILER_KEY_B), QStringLiteral("FAFBFCFDFEFF"));
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
}

TEST_F(MifarePageTest, Window2WritesEachBlockFromItsOwnBoxAndAsksBeforeTheTrailer) {
    select_card();
    choose(P::IDC_W2_SECTOR, 39);  // blocks 240 to 255
    set(P::IDC_W2_KEY, kKey);
    set(P::IDC_W2_DATA3 + 11, "EE");  // block 14
    set(P::IDC_W2_DATA1, "11");
    set(P::IDC_W2_TRAILER_KEY_A, "FFFFFFFFFFFF");
    set(P::IDC_W2_TRAILER_ACCESS, "FF078069");

    choose(P::IDC_W2_BLOCK, 14);
    click(P::IDC_W2_WRITE);
    choose(P::IDC_W2_BLOCK, 1);
    click(P::IDC_W2_WRITE);
    choose(P::IDC_W2_BLOCK, 3);
    set(P::IDC_W2_DATA3, "");  // block 3 of a big sector is data, no question
    click(P::IDC_W2_WRITE);
    EXPECT_TRUE(boxes().empty());

    answer(QMessageBox::Cancel);
    choose(P::IDC_W2_BLOCK, 15);
    click(P::IDC_W2_WRITE);
    ASSERT_EQ(boxes().size(), 1u);
    answer(QMessageBox::Ok);
    click(P::IDC_W2_WRITE);
    EXPECT_EQ(calls(),
              (Calls{Auth(0x60, 240), "rf_M1_write(0,254,EE000000000000000000000000000000)",
                     Auth(0x60, 240), "rf_M1_write(0,241,11000000000000000000000000000000)",
                     Auth(0x60, 240), "rf_M1_write(0,243,00000000000000000000000000000000)",
                     Auth(0x60, 240), "rf_M1_write(0,255,FFFFFFFFFFFFFF078069000000000000)"}));
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    EXPECT_TRUE(control<QPushButton>(P::IDC_W2_WRITE)->isEnabled());
}

}  // namespace
