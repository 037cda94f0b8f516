// The SAM page against a reader of fakes: the DES area's checks and calls, and
// the SAM's Reset and Send with their calls, checks and reports.

#include <gtest/gtest.h>

#include <QRadioButton>

#include "pages/cos_exchange.h"
#include "pages/sam_page.h"
#include "accessibility.h"
#include "page_test.h"

namespace {

using P = tilvane::CSamPage;
using app_test::Calls;

const char *kKey = "0123456789ABCDEF";
const char *kKey2 = "FEDCBA9876543210";

using SamPageTest = app_test::FakeReaderPageTest<P, P::kLarge>;

TEST_F(SamPageTest, OpensAt9600WithItsLimitsAndEveryLabelNamingItsControl) {
    EXPECT_TRUE(control<QRadioButton>(P::IDC_RATE_9600)->isChecked());
    EXPECT_EQ(control<QLineEdit>(P::IDC_KEY)->maxLength(), 16);
    EXPECT_EQ(control<QLineEdit>(P::IDC_KEY_2)->maxLength(), 16);
    EXPECT_EQ(control<QLineEdit>(P::IDC_DATA)->maxLength(), 128);
    EXPECT_EQ(text(P::IDC_KEY), QString());
    struct Labelled {
        const char *caption;
        int id;
    };
    for (const Labelled &row :
         {Labelled{"Key", P::IDC_KEY}, Labelled{"Key, second 8 bytes", P::IDC_KEY_2},
          Labelled{"Data", P::IDC_DATA}, Labelled{"Result", P::IDC_DES_RESULT},
          Labelled{"COS Command", P::IDC_COMMAND}, Labelled{"Reset Info", P::IDC_RESET_INFO},
          Labelled{"Result", P::IDC_RESULT}, Labelled{"DES Calculate", P::IDC_DES_GROUP},
          Labelled{"SAM Operation", P::IDC_SAM_GROUP}}) {
        EXPECT_EQ(app_test::AccessibleName(control(row.id)), QString::fromUtf8(row.caption));
    }
}

TEST_F(SamPageTest, DesTakesAnEightOrSixteenByteKeyAndWholeBlocks) {
    struct Case {
        const char *name;
        int button;
        QString key, key2, data;
        std::string call;  // empty: refused
        QString box;
    };
    const QString data16 = QStringLiteral("00112233445566778899AABBCCDDEEFF");
    const std::string key8 = kKey, key16 = std::string(kKey) + kKey2;
    const Case cases[] = {
        {"single DES", P::IDC_ENCRYPT, kKey, "", data16.left(16),
         "des_encrypt(0011223344556677,8," + key8 + ",8)", ""},
        {"triple DES", P::IDC_DECRYPT, kKey, kKey2, data16,
         "des_decrypt(" + data16.toStdString() + ",16," + key16 + ",16)", ""},
        {"odd last digit left out", P::IDC_ENCRYPT, kKey, "", data16.left(17),
         "des_encrypt(0011223344556677,8," + key8 + ",8)", ""},
        {"first key 15 digits", P::IDC_ENCRYPT, QString(kKey).left(15), "", data16, "",
         "Please input 8 or 16 bytes key in key area"},
        {"second key 15 digits", P::IDC_ENCRYPT, kKey, QString(kKey2).left(15), data16, "",
         "Please input 8 or 16 bytes key in key area"},
        {"second key one digit", P::IDC_DECRYPT, kKey, "7", data16, "",
         "Please input 8 or 16 bytes key in key area"},
        {"data of 6 bytes", P::IDC_ENCRYPT, kKey, "", data16.left(12), "",
         "date length must be 8 multiple in data area"},
        {"no data", P::IDC_DECRYPT, kKey, "", "", "",
         "date length must be 8 multiple in data area"},
    };
    for (const Case &c : cases) {
        fake_reader::reset();
        const std::size_t boxes_before = boxes().size();
        set(P::IDC_DES_RESULT, "");
        set(P::IDC_KEY, c.key);
        set(P::IDC_KEY_2, c.key2);
        set(P::IDC_DATA, c.data);
        fake_reader::state().answers["des_encrypt"] = {fake_reader::Bytes(16, 0xE5)};
        fake_reader::state().answers["des_decrypt"] = {fake_reader::Bytes(16, 0xD5)};
        click(c.button);
        if (c.call.empty()) {
            EXPECT_TRUE(calls().empty()) << c.name;
            ASSERT_EQ(boxes().size(), boxes_before + 1) << c.name;
            EXPECT_EQ(boxes().back().text, c.box) << c.name;
            EXPECT_EQ(boxes().back().caption, QStringLiteral("error")) << c.name;
            continue;
        }
        EXPECT_EQ(calls(), Calls{c.call}) << c.name;
        const int length = c.data.size() / 2 / 8 * 8;
        EXPECT_EQ(text(P::IDC_DES_RESULT),
                  QString(c.button == P::IDC_ENCRYPT ? "E5" : "D5").repeated(length))
            << c.name;
        EXPECT_EQ(boxes().size(), boxes_before) << c.name;
    }
    EXPECT_EQ(band.text(), QString());  // the DES area reports no status
}

TEST_F(SamPageTest, ResetSetsTheRateAndShowsTheAnswerToReset) {
    click(P::IDC_RESET);
    control<QRadioButton>(P::IDC_RATE_38400)->setChecked(true);
    click(P::IDC_RESET);
    EXPECT_EQ(calls(), (Calls{"rf_init_sam(0,0)", "rf_sam_rst(0)", "rf_init_sam(0,1)",
                              "rf_sam_rst(0)"}));
    EXPECT_EQ(text(P::IDC_RESET_INFO), QStringLiteral("3B021450"));
    EXPECT_EQ(band.text(), QStringLiteral("Reset operation success"));
}

TEST_F(SamPageTest, AFailedResetStepIsReportedAndEndsIt) {
    struct Case {
        const char *function;
        std::int32_t status;
        std::size_t calls;
        const char *band;
    };
    for (const Case &c : {Case{"rf_init_sam", 0x0A, 1, "Error: a ,Function: rf_init_sam"},
                          Case{"rf_sam_rst", 0x102, 2, "Error: 102 ,Function: rf_sam_rst"}}) {
        fake_reader::reset();
        set(P::IDC_RESET_INFO, "3B");
        fake_reader::results(c.function, {c.status});
        click(P::IDC_RESET);
        EXPECT_EQ(calls().size(), c.calls) << c.function;
        EXPECT_EQ(band.text(), QString::fromLatin1(c.band));
        EXPECT_EQ(text(P::IDC_RESET_INFO), QString()) << c.function;
    }
}

// The rest of Send is the ISO 14443-4 page's: one exchange serves both.
TEST_F(SamPageTest, SendRefusesCommandsShorterThanFiveBytesOrNotWholeBytes) {
    for (const char *command : {"", "00A40400", "00A4040008F"}) {
        set(P::IDC_COMMAND, command);
        click(P::IDC_SEND);
    }
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 3u);
    for (const auto &box : boxes()) EXPECT_EQ(box.caption, QStringLiteral("error"));
    EXPECT_EQ(boxes()[0].text, QStringLiteral("cos command must more than 5 bytes!"));
    EXPECT_EQ(boxes()[1].text, QStringLiteral("cos command must more than 5 bytes!"));
    EXPECT_EQ(boxes()[2].text,
              QStringLiteral("cos command must be whole bytes: an even number of hex digits!"));
    EXPECT_TRUE(page.exchange().history().empty());

    set(P::IDC_COMMAND, "00A4040008");
    click(P::IDC_SEND);
    EXPECT_EQ(calls(), Calls{"rf_sam_cos(0,00A4040008,5)"});
    EXPECT_EQ(page.exchange().history().size(), 1u);
}

}  // namespace
