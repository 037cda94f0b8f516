// The AT88RF020 page against a reader of fakes: the calls of each button with
// their arguments, the exact-length checks and their messages, what the page
// boxes and the status band show, and the paths where a call fails.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

#include "common/hex_edit.h"
#include "pages/at88rf020_page.h"
#include "accessibility.h"
#include "page_test.h"

namespace {

using P = tilvane::CAt88rf020Page;
using app_test::Calls;

const Calls kSearch = {"rf_antenna_sta(0,0)", "rf_init_type(0,114)", "rf_antenna_sta(0,1)",
                       "rf_atqb(0,0)"};

// Page p of the fake card holds eight bytes p0 to p7 (hex).
fake_reader::Bytes Page(int page) {
    fake_reader::Bytes bytes(8);
    for (int i = 0; i < 8; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(16 * page + i);
    return bytes;
}

class At88rf020PageTest : public app_test::FakeReaderPageTest<P, 133> {
protected:
    At88rf020PageTest() {
        for (int page = 0; page < 32; ++page)
            fake_reader::state().memory["rf_at020_read"][page] = Page(page);
    }
    void fill_pages(const QString &text) {
        for (int id = P::IDC_PAGE0_LOW; id <= P::IDC_PAGE31; ++id) set(id, text);
    }
    // The boxes of the page grid that hold text, by identifier.
    std::vector<int> filled_pages() {
        std::vector<int> filled;
        for (int id = P::IDC_PAGE0_LOW; id <= P::IDC_PAGE31; ++id) {
            if (!text(id).isEmpty()) filled.push_back(id);
        }
        return filled;
    }
    static int box(int page) { return P::IDC_PAGE3 + page - 3; }
};

TEST_F(At88rf020PageTest, OpensWithItsPageListLimitsAndCaptions) {
    const QStringList pages = entries(P::IDC_WRITE_PAGE);
    EXPECT_EQ(pages.size(), 30);
    EXPECT_FALSE(pages.contains("0"));
    EXPECT_FALSE(pages.contains("2"));
    EXPECT_EQ(control<QComboBox>(P::IDC_WRITE_PAGE)->currentText(), QStringLiteral("1"));
    struct Limit {
        int id;
        int bytes;
    };
    for (const Limit &limit :
         {Limit{P::IDC_PASSWORD, 8}, Limit{P::IDC_SIGNATURE, 6}, Limit{P::IDC_LOCK_BYTES, 4},
          Limit{P::IDC_PAGE0_LOW, 4}, Limit{P::IDC_PAGE1_HIGH, 4}, Limit{P::IDC_PAGE2_SIGNATURE, 6},
          Limit{P::IDC_PAGE2_COUNTER, 2}, Limit{P::IDC_PAGE3, 8}, Limit{P::IDC_PAGE31, 8}}) {
        EXPECT_EQ(control<tilvane::CHexEdit>(limit.id)->GetLimitBytes(), limit.bytes) << limit.id;
    }
    EXPECT_EQ(control<QLineEdit>(P::IDC_PUPI)->maxLength(), 32767);  // no limit
    struct Labelled {
        const char *caption;
        int id;
    };
    for (const Labelled &row :
         {Labelled{"PUPI", P::IDC_PUPI}, Labelled{"Password", P::IDC_PASSWORD},
          Labelled{"LOCK", P::IDC_LOCK_BYTES}, Labelled{"Idiograph", P::IDC_SIGNATURE},
          Labelled{"PAGE25", box(25)}}) {
        EXPECT_EQ(app_test::FindByAccessibleName<QLineEdit>(&page, row.caption), control(row.id))
            << row.caption;
    }
    EXPECT_EQ(app_test::FindByAccessibleName<QComboBox>(&page, "WritePage"),
              control(P::IDC_WRITE_PAGE));
    EXPECT_EQ(control<QPushButton>(P::IDC_SEARCH)->text(), QStringLiteral("SearchCard"));
    EXPECT_EQ(control<QPushButton>(P::IDC_COUNT)->text(), QStringLiteral("Count"));
    EXPECT_FALSE(control<QLineEdit>(box(25))->isReadOnly());
}

TEST(At88rf020PageTemplates, OnlyThe640PixelTemplateMakesPage25ReadOnly) {
    for (const auto &[template_id, read_only] :
         {std::pair{134, true}, {132, false}, {133, false}}) {
        tilvane::AppState state;
        P page(state, template_id);
        auto *edit = qobject_cast<QLineEdit *>(page.Control(P::IDC_PAGE3 + 22));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->isReadOnly(), read_only) << template_id;
        EXPECT_EQ(page.Control(P::IDC_PAGE31)->objectName(), QStringLiteral("page31"));
    }
}

class At88rf020CompactPageTest : public app_test::FakeReaderPageTest<P, 134> {};

TEST_F(At88rf020CompactPageTest, Page25TakesNothingTypedOrPastedOnlyWhatTheCardHolds) {
    auto *page25 = control<QLineEdit>(P::IDC_PAGE3 + 22);
    page25->setFocus();
    QTest::keyClicks(page25, "1234");
    QApplication::clipboard()->setText(QStringLiteral("AABBCCDD"));
    QTest::keyClick(page25, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(page25->text(), QString());
    choose(P::IDC_WRITE_PAGE, 25);
    click(P::IDC_WRITE);
    EXPECT_EQ(calls(), Calls{"rf_at020_write(0,25,0000000000000000)"});

    fake_reader::state().memory["rf_at020_read"][25] = Page(25);
    click(P::IDC_READ);
    EXPECT_EQ(page25->text(), QStringLiteral("9091929394959697"));
}

TEST_F(At88rf020PageTest, SearchShowsThePupiAndMovesToThePassword) {
    fill_pages("11");
    click(P::IDC_SEARCH);
    EXPECT_EQ(calls(), kSearch);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{20, 20, 50}));
    EXPECT_EQ(text(P::IDC_PUPI), QStringLiteral("4DAA2017"));
    EXPECT_EQ(page.focusWidget(), control(P::IDC_PASSWORD));
    // Only the password page keeps its text.
    EXPECT_EQ(filled_pages(), std::vector<int>{P::IDC_PAGE3});
    EXPECT_EQ(band.text(), QStringLiteral("Search card successfully"));
}

struct AtqbFailure {
    const char *name;
    std::int32_t status;
    std::size_t size;
    const char *band;
};

class At88rf020SearchFailure : public At88rf020PageTest,
                               public ::testing::WithParamInterface<AtqbFailure> {};

TEST_P(At88rf020SearchFailure, TriesTwiceAndEmptiesThePupi) {
    set(P::IDC_PUPI, "01020304");
    fake_reader::results("rf_atqb", {GetParam().status, GetParam().status});
    fake_reader::state().defaults["rf_atqb"].resize(GetParam().size);
    click(P::IDC_SEARCH);
    Calls twice = kSearch;
    twice.insert(twice.end(), kSearch.begin(), kSearch.end());
    EXPECT_EQ(calls(), twice);
    EXPECT_EQ(band.text(), QString::fromLatin1(GetParam().band));
    EXPECT_EQ(text(P::IDC_PUPI), QString());
    EXPECT_EQ(beeps(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, At88rf020SearchFailure,
    ::testing::Values(AtqbFailure{"no_card", 2, 12, "Error: 2 ,Function: rf_atqb"},
                      AtqbFailure{"eleven_bytes", 0, 11, "Error: 0 ,Function: rf_atqb"},
                      AtqbFailure{"thirteen_bytes", 0, 13, "Error: 0 ,Function: rf_atqb"}),
    [](const auto &info) { return std::string(info.param.name); });

struct InputCheck {
    const char *name;
    int button;
    int box;
    const char *value;
    const char *message;
};

class At88rf020InputCheck : public At88rf020PageTest,
                            public ::testing::WithParamInterface<InputCheck> {};

TEST_P(At88rf020InputCheck, RefusesAnythingButTheExactLengthAndSendsNothing) {
    set(GetParam().box, GetParam().value);
    click(GetParam().button);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QString::fromLatin1(GetParam().message));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Critical);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, At88rf020InputCheck,
    ::testing::Values(InputCheck{"password_of_7_bytes", P::IDC_CHECK, P::IDC_PASSWORD,
                                 "00112233445566", "Please input 8 bytes key"},
                      InputCheck{"password_with_a_stray_digit", P::IDC_CHECK, P::IDC_PASSWORD,
                                 "001122334455667", "Please input 8 bytes key"},
                      InputCheck{"lock_of_3_bytes", P::IDC_LOCK, P::IDC_LOCK_BYTES, "FFFFFF",
                                 "Please input 4 bytes in lock area!"},
                      InputCheck{"lock_with_a_stray_digit", P::IDC_LOCK, P::IDC_LOCK_BYTES,
                                 "FFFFFFF", "Please input 4 bytes in lock area!"},
                      InputCheck{"signature_of_5_bytes", P::IDC_COUNT, P::IDC_SIGNATURE,
                                 "A1A2A3A4A5", "Please input 6 bytes in Idiograph area!"},
                      InputCheck{"signature_with_a_stray_digit", P::IDC_COUNT, P::IDC_SIGNATURE,
                                 "A1A2A3A4A5A", "Please input 6 bytes in Idiograph area!"}),
    [](const auto &info) { return std::string(info.param.name); });

struct Operation {
    const char *name;
    int button;
    Calls calls;
    std::vector<std::pair<int, const char *>> shown;
    const char *band;
};

class At88rf020Operation : public At88rf020PageTest,
                           public ::testing::WithParamInterface<Operation> {};

TEST_P(At88rf020Operation, SendsItsCallsAndShowsWhatTheCardNowHolds) {
    set(P::IDC_PASSWORD, "0011223344556677");
    set(P::IDC_LOCK_BYTES, "00000F00");
    set(P::IDC_SIGNATURE, "A1A2A3A4A5A6");
    click(GetParam().button);
    EXPECT_EQ(calls(), GetParam().calls);
    for (const auto &[id, value] : GetParam().shown) EXPECT_EQ(text(id), value) << id;
    EXPECT_EQ(band.text(), QString::fromLatin1(GetParam().band));
    EXPECT_TRUE(boxes().empty());  // the lock asks no question
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, At88rf020Operation,
    ::testing::Values(
        Operation{"check",
                  P::IDC_CHECK,
                  {"rf_at020_check(0,0011223344556677)"},
                  {},
                  "Check operation success"},
        Operation{"lock",
                  P::IDC_LOCK,
                  {"rf_at020_lock(0,00000F00)", "rf_at020_read(0,0)"},
                  {{P::IDC_PAGE0_LOW, "00010203"}, {P::IDC_PAGE0_HIGH, "04050607"}},
                  "LOCK operation success"},
        Operation{"count",
                  P::IDC_COUNT,
                  {"rf_at020_count(0,A1A2A3A4A5A6)", "rf_at020_read(0,2)"},
                  {{P::IDC_PAGE2_SIGNATURE, "202122232425"}, {P::IDC_PAGE2_COUNTER, "2627"}},
                  "Count operation success"},
        Operation{"deselect", P::IDC_DESELECT, {"rf_at020_deselect(0)"}, {}, "Operation Success!"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(At88rf020PageTest, LockAndCountReportAFailedCallOrAShortReadBack) {
    set(P::IDC_LOCK_BYTES, "00000000");
    set(P::IDC_SIGNATURE, "A1A2A3A4A5A6");
    set(P::IDC_PAGE0_LOW, "11");
    fake_reader::results("rf_at020_lock", {5});
    click(P::IDC_LOCK);
    EXPECT_EQ(calls(), Calls{"rf_at020_lock(0,00000000)"});
    EXPECT_EQ(band.text(), QStringLiteral("Error: 5 ,Function: rf_at020_lock"));
    EXPECT_EQ(text(P::IDC_PAGE0_LOW), QString());

    fake_reader::state().memory["rf_at020_read"][2].resize(7);
    click(P::IDC_COUNT);
    EXPECT_EQ(calls().back(), "rf_at020_read(0,2)");
    EXPECT_EQ(band.text(), QStringLiteral("Error: 0 ,Function: rf_at020_read"));
    EXPECT_EQ(text(P::IDC_PAGE2_SIGNATURE), QString());
}

TEST_F(At88rf020PageTest, ReadShowsEveryPageButThePassword) {
    fill_pages("11");
    click(P::IDC_READ);
    Calls expected;
    for (int page = 0; page < 32; ++page) {
        if (page != 3) expected.push_back("rf_at020_read(0," + std::to_string(page) + ")");
    }
    EXPECT_EQ(calls(), expected);
    EXPECT_EQ(text(P::IDC_PAGE0_LOW), QStringLiteral("00010203"));
    EXPECT_EQ(text(P::IDC_PAGE1_HIGH), QStringLiteral("14151617"));
    EXPECT_EQ(text(P::IDC_PAGE2_SIGNATURE), QStringLiteral("202122232425"));
    EXPECT_EQ(text(P::IDC_PAGE3), QStringLiteral("11"));
    EXPECT_EQ(text(box(31)), QStringLiteral("F0F1F2F3F4F5F6F7"));
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
}

TEST_F(At88rf020PageTest, ReadStopsAtTheFailingPageWithItsNumber) {
    fake_reader::results("rf_at020_read", {0, 0, 0, 0, 0, 0, 0, 0, 0x0C});  // the ninth: page 9
    click(P::IDC_READ);
    EXPECT_EQ(calls().back(), "rf_at020_read(0,9)");
    EXPECT_EQ(band.text(), QStringLiteral("Error: c ,Function: Read page: 9 failed!"));
    std::vector<int> shown = {P::IDC_PAGE0_LOW,  P::IDC_PAGE0_HIGH,      P::IDC_PAGE1_LOW,
                              P::IDC_PAGE1_HIGH, P::IDC_PAGE2_SIGNATURE, P::IDC_PAGE2_COUNTER};
    for (int page = 4; page <= 8; ++page) shown.push_back(box(page));
    EXPECT_EQ(filled_pages(), shown);
}

struct WriteCase {
    const char *name;
    int page;
    std::vector<std::pair<int, const char *>> boxes;
    const char *call;
};

class At88rf020Write : public At88rf020PageTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(At88rf020Write, SendsEightZeroPaddedBytes) {
    choose(P::IDC_WRITE_PAGE, GetParam().page);
    for (const auto &[id, value] : GetParam().boxes) set(id, value);
    click(P::IDC_WRITE);
    EXPECT_EQ(calls(), Calls{GetParam().call});
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
}

INSTANTIATE_TEST_SUITE_P(Pages, At88rf020Write,
                         ::testing::Values(WriteCase{"three_bytes",
                                                     5,
                                                     {{P::IDC_PAGE3 + 2, "AABBCC"}},
                                                     "rf_at020_write(0,5,AABBCC0000000000)"},
                                           WriteCase{"page_1_from_its_two_boxes",
                                                     1,
                                                     {{P::IDC_PAGE1_LOW, "0102"},
                                                      {P::IDC_PAGE1_HIGH, "05060708"}},
                                                     "rf_at020_write(0,1,0102000005060708)"},
                                           WriteCase{"password_page",
                                                     3,
                                                     {{P::IDC_PAGE3, "0123456789ABCDEF"}},
                                                     "rf_at020_write(0,3,0123456789ABCDEF)"}),
                         [](const auto &info) { return std::string(info.param.name); });

class At88rf020OddWrite : public At88rf020PageTest,
                          public ::testing::WithParamInterface<WriteCase> {};

// Padding fills the page with zero bytes; a stray last digit is no byte of its own.
TEST_P(At88rf020OddWrite, IsRefusedAndSendsNothing) {
    choose(P::IDC_WRITE_PAGE, GetParam().page);
    for (const auto &[id, value] : GetParam().boxes) set(id, value);
    click(P::IDC_WRITE);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Please input data in data area"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, At88rf020OddWrite,
    ::testing::Values(WriteCase{"seven_digits", 5, {{P::IDC_PAGE3 + 2, "1234567"}}, ""},
                      WriteCase{"page_1_first_box",
                                1,
                                {{P::IDC_PAGE1_LOW, "010"}, {P::IDC_PAGE1_HIGH, "05060708"}},
                                ""},
                      WriteCase{"page_1_second_box",
                                1,
                                {{P::IDC_PAGE1_LOW, "0102"}, {P::IDC_PAGE1_HIGH, "0506070"}},
                                ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(At88rf020PageTest, WithoutAPortEveryButtonSendsNothing) {
    state.set_connected(false);
    set(P::IDC_PASSWORD, "0011223344556677");
    for (int button : {P::IDC_SEARCH, P::IDC_CHECK, P::IDC_LOCK, P::IDC_COUNT, P::IDC_READ,
                       P::IDC_WRITE, P::IDC_DESELECT}) {
        click(button);
        EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device")) << button;
    }
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(beeps(), 7);

    fake_reader::results("rf_at020_write", {0x10A});
    state.set_connected(true);
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 10a ,Function: rf_at020_write"));
}

}  // namespace
