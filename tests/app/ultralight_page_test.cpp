// The Ultralight page against a reader of fakes: the calls of each button with
// their arguments, what the boxes and the status band then show, and the paths
// where a call fails or no port is open.

#include <gtest/gtest.h>

#include "common/hex_edit.h"
#include "pages/ultralight_page.h"
#include "accessibility.h"
#include "page_test.h"

namespace {

using P = tilvane::CUltralightPage;
using app_test::Calls;

const Calls kSearch = {"rf_antenna_sta(0,0)", "rf_init_type(0,65)", "rf_antenna_sta(0,1)",
                       "rf_request(0,82)", "rf_ul_select(0)"};

// Block b of the fake card holds the bytes 16b to 16b + 15.
fake_reader::Bytes Pages(int block) {
    fake_reader::Bytes bytes(16);
    for (int i = 0; i < 16; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(16 * block + i);
    return bytes;
}

class UltralightPageTest : public app_test::FakeReaderPageTest<P, 143> {
protected:
    void fill_pages(const QString &text) {
        for (int id = P::IDC_PAGE0; id <= P::IDC_PAGE15; ++id) set(id, text);
    }
    int filled_pages() {
        int filled = 0;
        for (int id = P::IDC_PAGE0; id <= P::IDC_PAGE15; ++id) filled += !text(id).isEmpty();
        return filled;
    }
};

TEST_F(UltralightPageTest, OpensWithItsPageListLimitsCaptionsAndColours) {
    EXPECT_EQ(entries(P::IDC_WRITE_PAGE).size(), 14);
    EXPECT_EQ(entries(P::IDC_WRITE_PAGE).first(), QStringLiteral("2"));
    EXPECT_EQ(control<QComboBox>(P::IDC_WRITE_PAGE)->currentText(), QStringLiteral("4"));
    for (int id = P::IDC_PAGE0; id <= P::IDC_PAGE15; ++id) {
        const bool half = id == P::IDC_PAGE2 || id == P::IDC_LOCK_BYTES;
        EXPECT_EQ(control<tilvane::CHexEdit>(id)->GetLimitBytes(), half ? 2 : 4) << id;
    }
    EXPECT_EQ(control<QPushButton>(P::IDC_SEARCH)->text(), QStringLiteral("Search Card"));
    EXPECT_EQ(control<QPushButton>(P::IDC_READ)->text(), QStringLiteral("Read Card"));
    EXPECT_EQ(control<QPushButton>(P::IDC_WRITE)->text(), QStringLiteral("Write Card"));
    for (int id : {P::IDC_LOCK_BYTES, P::IDC_PAGE3}) {
        const QPalette palette = control(id)->palette();
        EXPECT_EQ(palette.color(QPalette::Text), QColor(255, 255, 0)) << id;
        EXPECT_EQ(palette.color(QPalette::Base), QColor(240, 0, 0)) << id;
    }
    struct Labelled {
        const char *caption;
        int id;
    };
    for (const Labelled &row :
         {Labelled{"SN0.......SN6", P::IDC_UID}, Labelled{"PAGE2", P::IDC_PAGE2},
          Labelled{"PAGE3", P::IDC_PAGE3}, Labelled{"PAGE15", P::IDC_PAGE15}}) {
        EXPECT_EQ(app_test::FindByAccessibleName<QLineEdit>(&page, row.caption), control(row.id))
            << row.caption;
    }
    EXPECT_EQ(app_test::FindByAccessibleName<QComboBox>(&page, "Write Page"),
              control(P::IDC_WRITE_PAGE));
}

TEST_F(UltralightPageTest, SearchShowsTheWholeUidAndEmptiesThePages) {
    fill_pages("11");
    click(P::IDC_SEARCH);
    EXPECT_EQ(calls(), kSearch);
    EXPECT_EQ(sleeps, std::vector<unsigned>{20});
    EXPECT_EQ(text(P::IDC_UID), QStringLiteral("046E315A2B4880"));
    EXPECT_EQ(filled_pages(), 0);
    EXPECT_EQ(band.text(), QStringLiteral("Search card successfully"));
}

struct SelectFailure {
    const char *function;
    std::int32_t status;
    std::size_t calls_per_attempt;
};

class UltralightSearchFailure : public UltralightPageTest,
                                public ::testing::WithParamInterface<SelectFailure> {};

TEST_P(UltralightSearchFailure, TriesTwiceAndLeavesTheUidEmptyAndThePagesAsTheyWere) {
    set(P::IDC_UID, "AABBCCDDEEFF00");
    fill_pages("11");
    fake_reader::results(GetParam().function, {GetParam().status, GetParam().status});
    click(P::IDC_SEARCH);
    Calls attempt(kSearch.begin(),
                  kSearch.begin() + static_cast<long>(GetParam().calls_per_attempt));
    Calls twice = attempt;
    twice.insert(twice.end(), attempt.begin(), attempt.end());
    EXPECT_EQ(calls(), twice);
    EXPECT_EQ(band.text(), QStringLiteral("Error: %1 ,Function: %2")
                               .arg(GetParam().status, 0, 16)
                               .arg(GetParam().function));
    EXPECT_EQ(text(P::IDC_UID), QString());
    EXPECT_EQ(filled_pages(), 17);
    EXPECT_EQ(beeps(), 2);
}

INSTANTIATE_TEST_SUITE_P(Steps, UltralightSearchFailure,
                         ::testing::Values(SelectFailure{"rf_request", 2, 4},
                                           SelectFailure{"rf_ul_select", 0x12, 5}),
                         [](const auto &info) { return std::string(info.param.function); });

TEST_F(UltralightPageTest, WithoutAPortSearchAndWriteSendNothingButReadGoesToTheLibrary) {
    state.set_connected(false);
    set(P::IDC_UID, "AABBCCDDEEFF00");
    click(P::IDC_SEARCH);
    EXPECT_EQ(text(P::IDC_UID), QString());  // cleared before the connection test
    click(P::IDC_WRITE);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device"));

    fake_reader::results("rf_M1_read", {0x102});
    click(P::IDC_READ);
    EXPECT_EQ(calls(), Calls{"rf_M1_read(0,0)"});
    EXPECT_EQ(band.text(), QStringLiteral("Error: 102 ,Function: Read page: 0 failed!"));
}

TEST_F(UltralightPageTest, ReadShowsAllSixteenPagesWithPageTwoSplit) {
    for (int block : {0, 4, 8, 12}) fake_reader::state().blocks[block] = Pages(block / 4);
    click(P::IDC_READ);
    EXPECT_EQ(calls(),
              (Calls{"rf_M1_read(0,0)", "rf_M1_read(0,4)", "rf_M1_read(0,8)", "rf_M1_read(0,12)"}));
    EXPECT_EQ(text(P::IDC_PAGE0), QStringLiteral("00010203"));
    EXPECT_EQ(text(P::IDC_PAGE1), QStringLiteral("04050607"));
    EXPECT_EQ(text(P::IDC_PAGE2), QStringLiteral("0809"));
    EXPECT_EQ(text(P::IDC_LOCK_BYTES), QStringLiteral("0A0B"));
    EXPECT_EQ(text(P::IDC_PAGE3), QStringLiteral("0C0D0E0F"));
    EXPECT_EQ(text(P::IDC_PAGE3 + 1), QStringLiteral("10111213"));
    EXPECT_EQ(text(P::IDC_PAGE15), QStringLiteral("3C3D3E3F"));
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
}

struct ReadFailure {
    const char *name;
    std::int32_t status;  // of the second read
    std::uint8_t length;  // of the second read
    const char *band;
};

class UltralightReadFailure : public UltralightPageTest,
                              public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(UltralightReadFailure, StopsAtTheFailingReadAndKeepsTheFirstFourPages) {
    fake_reader::results("rf_M1_read", {0, GetParam().status});
    fake_reader::state().block_lengths[4] = GetParam().length;
    fill_pages("11");
    click(P::IDC_READ);
    EXPECT_EQ(calls(), (Calls{"rf_M1_read(0,0)", "rf_M1_read(0,4)"}));
    EXPECT_EQ(band.text(), QString::fromLatin1(GetParam().band));
    EXPECT_EQ(text(P::IDC_PAGE3), QStringLiteral("00000000"));
    EXPECT_EQ(filled_pages(), 5);  // pages 0 to 3, page 2 in two boxes
}

INSTANTIATE_TEST_SUITE_P(Reads, UltralightReadFailure,
                         ::testing::Values(ReadFailure{"status", 5, 16,
                                                       "Error: 5 ,Function: Read page: 1 failed!"},
                                           ReadFailure{"wrong_length", 0, 4,
                                                       "Error: 0 ,Function: Read page: 1 failed!"}),
                         [](const auto &info) { return std::string(info.param.name); });

struct WriteCase {
    const char *name;
    int page;
    std::vector<std::pair<int, const char *>> boxes;
    const char *call;
};

class UltralightWrite : public UltralightPageTest,
                        public ::testing::WithParamInterface<WriteCase> {};

TEST_P(UltralightWrite, SendsFourZeroPaddedBytesWithoutAQuestion) {
    choose(P::IDC_WRITE_PAGE, GetParam().page);
    for (const auto &[id, value] : GetParam().boxes) set(id, value);
    click(P::IDC_WRITE);
    EXPECT_EQ(calls(), Calls{GetParam().call});
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, UltralightWrite,
    ::testing::Values(
        WriteCase{"lock_bytes",
                  2,
                  {{P::IDC_PAGE2, "0000"}, {P::IDC_LOCK_BYTES, "FFFF"}},
                  "rf_ul_write(0,2,0000FFFF)"},
        WriteCase{"otp_page", 3, {{P::IDC_PAGE3, "80000001"}}, "rf_ul_write(0,3,80000001)"},
        WriteCase{"short_data_page", 7, {{P::IDC_PAGE3 + 4, "1234"}}, "rf_ul_write(0,7,12340000)"}),
    [](const auto &info) { return std::string(info.param.name); });

class UltralightOddWrite : public UltralightPageTest,
                           public ::testing::WithParamInterface<WriteCase> {};

// Padding fills the page with zero bytes; a stray last digit is no byte of its own.
TEST_P(UltralightOddWrite, IsRefusedAndSendsNothing) {
    choose(P::IDC_WRITE_PAGE, GetParam().page);
    for (const auto &[id, value] : GetParam().boxes) set(id, value);
    click(P::IDC_WRITE);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Please input data in data area"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, UltralightOddWrite,
    ::testing::Values(WriteCase{"three_digits", 15, {{P::IDC_PAGE15, "ABC"}}, ""},
                      WriteCase{"seven_digits", 7, {{P::IDC_PAGE3 + 4, "1234567"}}, ""},
                      WriteCase{"page_2_first_half",
                                2,
                                {{P::IDC_PAGE2, "000"}, {P::IDC_LOCK_BYTES, "FFFF"}},
                                ""},
                      WriteCase{"lock_bytes",
                                2,
                                {{P::IDC_PAGE2, "0000"}, {P::IDC_LOCK_BYTES, "F"}},
                                ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(UltralightPageTest, AFailedWriteIsReported) {
    fake_reader::results("rf_ul_write", {6});
    click(P::IDC_WRITE);
    EXPECT_EQ(calls(), Calls{"rf_ul_write(0,4,00000000)"});
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: rf_ul_write"));
}

}  // namespace
