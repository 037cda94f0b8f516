// The ISO 15693 page against a reader of fakes: Get Information and the block
// layout it chooses, the flags byte and UID check of every button, the read
// sequence and its failures, and where the grid stands for each screen width.

#include <gtest/gtest.h>

#include <QLabel>

#include "common/hex_edit.h"
#include "pages/iso15693_page.h"
#include "common/app_state.h"
#include "accessibility.h"
#include "layout_checks.h"
#include "page_test.h"

namespace {

using P = tilvane::CIso15693Page;
using app_test::Calls;

const std::string kUid = "0102030405060708";

// The fake tag's system information with an IC maker code (reply byte 7).
fake_reader::Bytes SystemInformation(std::uint8_t maker, std::size_t size = 14) {
    fake_reader::Bytes info = {0x0F,  0x8E, 0x10, 0x33, 0x52, 0xA1, 0xC6,
                               maker, 0xE0, 0x11, 0x22, 0x3F, 0x03, 0x01};
    info.resize(size);
    return info;
}

class Iso15693PageTest : public app_test::FakeReaderPageTest<P, 146> {
protected:
    Iso15693PageTest() {
        page.resize(1276, 860);
        page.LayoutForScreen(1280);
    }

    // Get Information on a tag of this maker.
    void get_information(std::uint8_t maker, std::size_t size = 14) {
        auto &answers = fake_reader::state().answers["ISO15693_Get_System_Information"];
        answers = {SystemInformation(maker, size)};
        click(P::IDC_GET_INFORMATION);
    }
    QString data(int block) { return text(P::IDC_BLOCK_DATA + block); }
    QString status(int block) { return text(P::IDC_BLOCK_STATUS + block); }
};

TEST_F(Iso15693PageTest, OpensWithItsListLimitsAndNamedControls) {
    EXPECT_EQ(entries(P::IDC_BLOCK).size(), 64);
    EXPECT_EQ(control<QComboBox>(P::IDC_BLOCK)->currentText(), QStringLiteral("0"));
    for (const auto &[id, bytes] : {std::pair{int{P::IDC_UID}, 8},
                                    {P::IDC_DSFID, 1},
                                    {P::IDC_AFI, 1},
                                    {P::IDC_BLOCK_DATA + 63, 4},
                                    {P::IDC_BLOCK_STATUS + 63, 1}}) {
        EXPECT_EQ(control<tilvane::CHexEdit>(id)->GetLimitBytes(), bytes) << id;
    }
    for (const auto &[caption, id] : {std::pair{"UID", int{P::IDC_UID}},
                                      {"DSFID", P::IDC_DSFID},
                                      {"AFI", P::IDC_AFI},
                                      {"BLOCK 17", P::IDC_BLOCK_DATA + 17},
                                      {"STATUS 17", P::IDC_BLOCK_STATUS + 17}}) {
        EXPECT_EQ(app_test::FindByAccessibleName<QLineEdit>(&page, caption), control(id))
            << caption;
    }
    EXPECT_EQ(app_test::FindByAccessibleName<QComboBox>(&page, "BLOCK"), control(P::IDC_BLOCK));
    EXPECT_EQ(control<QPushButton>(P::IDC_GET_INFORMATION)->text(),
              QStringLiteral("Get Infomation"));
}

TEST_F(Iso15693PageTest, GetInformationShowsTheTagAndSendsAZeroedUid) {
    set(P::IDC_BLOCK_DATA + 9, "DEADBEEF");
    get_information(0x07, 12);  // 12 bytes are enough
    EXPECT_EQ(calls(), (Calls{"rf_init_type(0,49)",
                              "ISO15693_Get_System_Information(0,0,0000000000000000)"}));
    EXPECT_EQ(text(P::IDC_UID), QStringLiteral("8E103352A1C607E0"));
    EXPECT_EQ(text(P::IDC_DSFID), QStringLiteral("11"));
    EXPECT_EQ(text(P::IDC_AFI), QStringLiteral("22"));
    EXPECT_EQ(data(9), QString());
    EXPECT_EQ(band.text(), QString::fromUtf8("Get Information操作成功"));
    EXPECT_TRUE(page.sixty_four_blocks());
}

TEST_F(Iso15693PageTest, OnlyMaker04ClearsThe64BlockFlagAndEveryGetInformationSetsItFirst) {
    struct Failure {
        const char *function;
        std::int32_t status;
        std::size_t size;  // of the system information
        const char *band;
    };
    for (const Failure &failure :
         {Failure{"rf_init_type", 3, 14, "Error: 3 ,Function: rf_init_type"},
          Failure{"ISO15693_Get_System_Information", 0, 11,
                  "Error: 0 ,Function: ISO15693_Get_System_Information"}}) {
        get_information(0x04);
        ASSERT_FALSE(page.sixty_four_blocks());
        fake_reader::results(failure.function, {failure.status});
        get_information(0x04, failure.size);
        EXPECT_EQ(band.text(), QString::fromLatin1(failure.band));
        EXPECT_TRUE(page.sixty_four_blocks()) << failure.band;
        EXPECT_EQ(text(P::IDC_UID), QString()) << failure.band;
    }
    get_information(0x04);
    state.set_connected(false);
    fake_reader::state().calls.clear();
    click(P::IDC_GET_INFORMATION);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(band.text(), QStringLiteral("Error: Cann't open port"));
    EXPECT_TRUE(page.sixty_four_blocks());
}

struct Button {
    int id;
    const char *function;
    const char *arguments;  // after the flags byte and the UID
    const char *success;
    const char *not_connected;
    const char *uid_short;
};

const char *const kUidShort = "the value UID is lower than 8 Byte";
const Button kButtons[] = {
    {P::IDC_WRITE_DSFID, "ISO15693_Write_DSFID", ",26", "ISO15693_Write_DSFID操作成功",
     "can't open port", "the value of UID is lower than 8 Bytes"},
    {P::IDC_LOCK_DSFID, "ISO15693_Lock_DSFID", "", "ISO15693_Lock_DSFID success", "can't open port",
     kUidShort},
    {P::IDC_WRITE_AFI, "ISO15693_Write_AFI", ",43", "ISO15693_Write_AFI success", "can't open port",
     kUidShort},
    {P::IDC_LOCK_AFI, "ISO15693_Lock_AFI", "", "ISO15693_Lock_AFI success", "can't open port",
     kUidShort},
    {P::IDC_WRITE_BLOCK, "ISO15693_Write", ",5,CAFEBABE", "success", "can't open", kUidShort},
    {P::IDC_LOCK_BLOCK, "ISO15693_Lock_Block", ",5", "Success", "Can't open port", kUidShort},
};

TEST_F(Iso15693PageTest, EveryButtonSendsTheFlagsByteOfTheTagsLayout) {
    for (const char *flags : {"6", "2"}) {
        if (*flags == '2') get_information(0x04);
        set(P::IDC_UID, QString::fromStdString(kUid));
        set(P::IDC_DSFID, "1A");
        set(P::IDC_AFI, "2B");
        choose(P::IDC_BLOCK, 5);
        set(P::IDC_BLOCK_DATA + 5, "CAFEBABE");
        for (const Button &button : kButtons) {
            click(button.id);
            ASSERT_FALSE(calls().empty());
            EXPECT_EQ(calls().back(), std::string(button.function) + "(0," + flags + "," + kUid +
                                          button.arguments + ")");
            EXPECT_EQ(band.text(), QString::fromUtf8(button.success));
            fake_reader::results(button.function, {0x12});
            click(button.id);
            EXPECT_EQ(band.text(), QStringLiteral("Error: 12 ,Function: ") + button.function);
        }
    }
}

TEST_F(Iso15693PageTest, EveryButtonChecksConnectionAndUidBeforeSendingAnything) {
    set(P::IDC_DSFID, "1A");
    set(P::IDC_AFI, "2B");
    set(P::IDC_BLOCK_DATA, "CAFEBABE");
    std::vector<Button> all(std::begin(kButtons), std::end(kButtons));
    all.push_back({P::IDC_READ, "", "", "", "can't open port", kUidShort});
    for (const Button &button : all) {
        for (const char *uid : {"01020304050607", "010203040506070"}) {
            set(P::IDC_UID, uid);
            click(button.id);
            ASSERT_FALSE(boxes().empty());
            EXPECT_EQ(boxes().back().text, QString::fromLatin1(button.uid_short)) << uid;
            EXPECT_EQ(boxes().back().caption, QStringLiteral("Error"));
        }
        state.set_connected(false);
        click(button.id);
        EXPECT_EQ(band.text(), QStringLiteral("Error: ") + button.not_connected);
        state.set_connected(true);
    }
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(data(0), QString());  // Read cleared the grid before it checked the UID
}

TEST_F(Iso15693PageTest, EmptyBytesAndBlockDataOfAnotherLengthAreRefused) {
    set(P::IDC_UID, QString::fromStdString(kUid));
    click(P::IDC_WRITE_DSFID);
    click(P::IDC_WRITE_AFI);
    for (const char *data : {"CAFEBA", "CAFEBAB", ""}) {
        set(P::IDC_BLOCK_DATA, data);
        click(P::IDC_WRITE_BLOCK);
    }
    EXPECT_TRUE(calls().empty());
    QStringList texts;
    for (const auto &box : boxes()) texts << box.text;
    EXPECT_EQ(texts, (QStringList{"DSFID is not null!", "AFI is null!", "please input 4 bytes",
                                  "please input 4 bytes", "please input 4 bytes"}));
}

TEST_F(Iso15693PageTest, ASingleDigitDsfidOrAfiIsRefusedAsNoByte) {
    set(P::IDC_UID, QString::fromStdString(kUid));
    set(P::IDC_DSFID, "5");
    set(P::IDC_AFI, "A");
    click(P::IDC_WRITE_DSFID);
    click(P::IDC_WRITE_AFI);
    EXPECT_TRUE(calls().empty());
    QStringList texts;
    for (const auto &box : boxes()) texts << box.text;
    EXPECT_EQ(texts, (QStringList{"DSFID is not null!", "AFI is null!"}));
}

TEST_F(Iso15693PageTest, ReadTakesFiveReadsAndThreeSecurityCallsOrTwoAndOneOnA28BlockTag) {
    auto &memory = fake_reader::state().memory;
    for (int first = 0; first < 64; first += 14) {
        fake_reader::Bytes blocks;
        for (int block = first; block < std::min(first + 14, 64); ++block) {
            blocks.insert(blocks.end(), {0xB0, 0, 0, static_cast<std::uint8_t>(block)});
        }
        memory["ISO15693_Read"][first] = blocks;
    }
    memory["ISO15693_Read"][0].resize(60);  // a longer answer will do
    memory["ISO15693_Get_Block_Security"][56] = fake_reader::Bytes(8, 0x01);
    set(P::IDC_UID, QString::fromStdString(kUid));
    click(P::IDC_READ);
    Calls expected;
    for (const char *range : {"0,14", "14,14", "28,14", "42,14", "56,8"}) {
        expected.push_back("ISO15693_Read(0,2," + kUid + "," + range + ")");
    }
    for (const char *range : {"0,28", "28,28", "56,8"}) {
        expected.push_back("ISO15693_Get_Block_Security(0,2," + kUid + "," + range + ")");
    }
    EXPECT_EQ(calls(), expected);
    EXPECT_EQ(data(13), QStringLiteral("B000000D"));
    EXPECT_EQ(data(14), QStringLiteral("B000000E"));
    EXPECT_EQ(data(63), QStringLiteral("B000003F"));
    EXPECT_EQ(status(55), QStringLiteral("00"));
    EXPECT_EQ(status(63), QStringLiteral("01"));
    EXPECT_EQ(band.text(), QStringLiteral("success"));

    get_information(0x04);
    fake_reader::state().calls.clear();
    click(P::IDC_READ);
    const std::string small_tag = "8E103352A1C604E0";
    EXPECT_EQ(calls(), (Calls{"ISO15693_Read(0,2," + small_tag + ",0,14)",
                              "ISO15693_Read(0,2," + small_tag + ",14,14)",
                              "ISO15693_Get_Block_Security(0,2," + small_tag + ",0,28)"}));
    EXPECT_EQ(data(27), QStringLiteral("B000001B"));
    EXPECT_EQ(status(27), QStringLiteral("00"));
    EXPECT_EQ(data(28), QString());
    EXPECT_EQ(status(28), QString());
}

TEST_F(Iso15693PageTest, TheFirstFailingCallEndsReadAndKeepsTheRowsBeforeIt) {
    struct Failure {
        const char *function;
        int first;  // of the call that fails
        std::size_t answer_size;
        std::int32_t status;
        std::size_t calls;
        int last_row_read;
    };
    for (const Failure &failure :
         {Failure{"ISO15693_Read", 28, 56, 0x0A, 3, 27}, Failure{"ISO15693_Read", 14, 55, 0, 2, 13},
          Failure{"ISO15693_Get_Block_Security", 0, 27, 0, 6, 63},
          Failure{"ISO15693_Get_Block_Security", 28, 29, 0, 7, 63}}) {
        fake_reader::reset();
        fake_reader::state().memory[failure.function][failure.first] =
            fake_reader::Bytes(failure.answer_size, 0);
        if (failure.status != 0) fake_reader::results(failure.function, {0, 0, failure.status});
        set(P::IDC_UID, QString::fromStdString(kUid));
        click(P::IDC_READ);
        const std::string band_text = (failure.status == 0 ? "Error: 0" : "Error: a") +
                                      std::string(" ,Function: ") + failure.function;
        EXPECT_EQ(band.text().toStdString(), band_text);
        EXPECT_EQ(calls().size(), failure.calls) << band_text;
        EXPECT_EQ(data(failure.last_row_read), QStringLiteral("00000000")) << band_text;
        EXPECT_EQ(data(std::min(failure.last_row_read + 1, 63)).isEmpty(),
                  failure.last_row_read < 63);
        EXPECT_EQ(status(failure.first), QString()) << band_text;
    }
}

class Iso15693PageLayout : public Iso15693PageTest,
                           public ::testing::WithParamInterface<app_test::Screen> {};

TEST_P(Iso15693PageLayout, TheGridFillsTheWidthAndEveryControlStaysOnThePage) {
    page.resize(GetParam().view);
    page.LayoutForScreen(GetParam().width);
    QApplication::processEvents();
    app_test::ExpectControlsInside(page.sheet());
    // The sheet grows only where the page is too small.
    EXPECT_EQ(page.sheet()->size() == page.size(), GetParam().view.width() >= 1024);

    // The left group moves only down, and only on large screens.
    QWidget *group = page.findChild<QWidget *>("leftGroup");
    EXPECT_TRUE(GetParam().width >= 1024 ? group->y() >= 28 : group->y() == 28) << group->y();

    // Four columns share the width right of the UID box.
    QWidget *uid = control(P::IDC_UID);
    const QRect uid_box(uid->mapTo(page.sheet(), QPoint(0, 0)), uid->size());
    const int x0 = uid_box.x() + uid_box.width() + 10;
    const int e = (page.sheet()->width() - x0 - 169) / 4;
    EXPECT_EQ(control(P::IDC_BLOCK_DATA + 17)->geometry(),
              QRect(x0 + e + 42 + 20, uid_box.y() + 22, e, 18));
}

TEST_P(Iso15693PageLayout, HeadersStandOverTheirColumnsWithTheirWholeText) {
    page.resize(GetParam().view);
    page.LayoutForScreen(GetParam().width);
    QApplication::processEvents();
    QWidget *uid = control(P::IDC_UID);
    const int x0 = uid->mapTo(page.sheet(), QPoint(uid->width(), 0)).x() + 10;
    const int top = uid->mapTo(page.sheet(), QPoint(0, 0)).y() - 20;
    std::vector<QRect> placed;
    for (int c = 0; c < 4; ++c) {
        // Column c starts at its first number; its data boxes are e wide.
        const QRect number = control(P::IDC_BLOCK_NUMBER + 16 * c)->geometry();
        const int e = control(P::IDC_BLOCK_DATA + 16 * c)->width();
        for (const auto &[id, x] :
             {std::pair{P::IDC_HEADER_FIRST + 2 * c, number.x() + (c == 0 ? 0 : 10)},
              std::pair{P::IDC_HEADER_FIRST + 2 * c + 1, number.x() + e}}) {
            auto *header = control<QLabel>(id);
            const QString name = header->objectName();
            EXPECT_GE(header->width(), header->fontMetrics().horizontalAdvance(header->text()))
                << name.toStdString();
            EXPECT_EQ(header->y(), top) << name.toStdString();
            // Where it stands; only a wide last header moves left, to stay on the sheet.
            if (header->geometry().right() < page.sheet()->width() - 1) {
                EXPECT_EQ(header->x(), x) << name.toStdString();
            } else {
                EXPECT_LE(header->x(), x) << name.toStdString();
            }
            placed.push_back(header->geometry());
        }
        EXPECT_EQ(number.x(), x0 + c * (control(P::IDC_BLOCK_DATA)->width() + 42));
    }
    // No header runs into the next one.
    for (std::size_t i = 1; i < placed.size(); ++i) {
        EXPECT_LT(placed[i - 1].right() + 1, placed[i].left()) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, Iso15693PageLayout,
                         ::testing::Values(app_test::Screen{640, {636, 380}},
                                           app_test::Screen{800, {796, 500}},
                                           app_test::Screen{1280, {1276, 860}},
                                           app_test::Screen{1280, {300, 200}}));

}  // namespace
