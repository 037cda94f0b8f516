// The ISO 14443-4 page against a reader of fakes: Reset and Send with their calls
// and reports, the command history they keep, and its dialog.

#include <gtest/gtest.h>

#include <QFile>
#include <QRadioButton>

#include "common/cos_history_dialog.h"
#include "common/result_list.h"
#include "pages/cos_exchange.h"
#include "pages/iso14443_part4_page.h"
#include "shell/page_factory.h"
#include "pages/sam_page.h"
#include "shell/card_families.h"
#include "shell/pranix_view.h"
#include "accessibility.h"
#include "modal_dialog.h"
#include "page_test.h"

namespace {

using P = tilvane::CIso14443Part4Page;
using app_test::Calls;
using Entries = std::vector<std::string>;

const Calls kField = {"rf_antenna_sta(0,0)", "rf_init_type(0,65)", "rf_antenna_sta(0,1)"};

Entries HistoryOf(const P &page) {
    const auto &entries = page.exchange().history().entries();
    return {entries.begin(), entries.end()};
}

class IsoPageTest : public app_test::FakeReaderPageTest<P, P::kLarge> {
protected:
    tilvane::ResultList *results() { return control<tilvane::ResultList>(P::IDC_RESULT); }
    void send(const QString &command) {
        set(P::IDC_COMMAND, command);
        click(P::IDC_SEND);
    }
};

TEST_F(IsoPageTest, OpensWithTypeAAndEveryLabelNamingItsControl) {
    EXPECT_TRUE(control<QRadioButton>(P::IDC_TYPE_A)->isChecked());
    struct Labelled {
        const char *caption;
        int id;
    };
    for (const Labelled &row : {Labelled{"COS Command", P::IDC_COMMAND}, Labelled{"CSN", P::IDC_CSN},
                                Labelled{"PUPI", P::IDC_PUPI},
                                Labelled{"ResetInfo", P::IDC_RESET_INFO},
                                Labelled{"Result", P::IDC_RESULT},
                                Labelled{"COS Command history", P::IDC_HISTORY},
                                Labelled{"Data Infomation", P::IDC_DATA_GROUP}}) {
        EXPECT_EQ(app_test::AccessibleName(control(row.id)), QString::fromUtf8(row.caption));
    }
}

TEST_F(IsoPageTest, ResetShowsTheSerialNumberAndTheRestOfTheAnswer) {
    struct Case {
        const char *name;
        fake_reader::Bytes answer;
        const char *csn, *reset_info;
    };
    const Case cases[] = {
        {"UID and ATS", {0x3E, 0x81, 0x22, 0x6D, 0x05, 0x78, 0x80, 0x70, 0x02}, "3E81226D",
         "0578807002"},
        {"UID only", {0x3E, 0x81, 0x22, 0x6D}, "3E81226D", ""},
    };
    for (const Case &c : cases) {
        fake_reader::reset();
        sleeps.clear();
        set(P::IDC_PUPI, "11223344");
        set(P::IDC_RESET_INFO, "FF");
        fake_reader::state().answers["rf_typea_rst"] = {c.answer};
        click(P::IDC_RESET);
        Calls expected = kField;
        expected.push_back("rf_typea_rst(0,82)");
        EXPECT_EQ(calls(), expected) << c.name;
        EXPECT_EQ(sleeps, (std::vector<unsigned>{20, 20})) << c.name;
        EXPECT_EQ(text(P::IDC_CSN), QString::fromLatin1(c.csn)) << c.name;
        EXPECT_EQ(text(P::IDC_RESET_INFO), QString::fromLatin1(c.reset_info)) << c.name;
        EXPECT_EQ(text(P::IDC_PUPI), QString()) << c.name;
        EXPECT_EQ(band.text(), QStringLiteral("Reset operation success")) << c.name;
    }
}

TEST_F(IsoPageTest, ResetTriesTheCardThreeTimesAfterOneFieldSetUp) {
    struct Case {
        const char *name;
        const char *function;
        std::initializer_list<std::int32_t> results;
        int resets;
        const char *band;
        int beeps;
        const char *csn;
    };
    const Case cases[] = {
        {"no card", "rf_typea_rst", {2, 2, 2}, 3, "Error: 2 ,Function: rf_typea_rst", 3, ""},
        {"third time", "rf_typea_rst", {2, 2, 0}, 3, "Reset operation success", 2, "3E81226D"},
        {"protocol refused", "rf_init_type", {0x0A}, 0, "Error: a ,Function: rf_init_type", 1, ""},
    };
    for (const Case &c : cases) {
        fake_reader::reset();
        const int beeps_before = beeps();
        set(P::IDC_CSN, "01020304");
        fake_reader::results(c.function, c.results);
        click(P::IDC_RESET);
        EXPECT_EQ(fake_reader::calls_of("rf_typea_rst").size(), static_cast<std::size_t>(c.resets))
            << c.name;
        EXPECT_EQ(band.text(), QString::fromLatin1(c.band)) << c.name;
        EXPECT_EQ(beeps() - beeps_before, c.beeps) << c.name;
        EXPECT_EQ(text(P::IDC_CSN), QString::fromLatin1(c.csn)) << c.name;
    }
}

TEST_F(IsoPageTest, WithoutAConnectionNothingIsSentAndNothingCleared) {
    state.set_connected(false);
    set(P::IDC_CSN, "01020304");
    click(P::IDC_RESET);
    send("0084000008");
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(text(P::IDC_CSN), QStringLiteral("01020304"));
    EXPECT_TRUE(HistoryOf(page).empty());
    EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device"));
}

TEST_F(IsoPageTest, SendRecordsTheCommandAndListsTheAnswer) {
    fake_reader::state().answers["rf_cos_command"] = {{0x12, 0x34, 0x56, 0x78, 0x90, 0x00}, {}};
    send("0084000004");  // typed in lower case, kept in upper case
    send("00a4000000");
    EXPECT_EQ(calls(), (Calls{"rf_cos_command(0,0084000004,5)", "rf_cos_command(0,00A4000000,5)"}));
    EXPECT_EQ(results()->Entries(), (QStringList{"123456789000", ""}));
    EXPECT_EQ(results()->currentRow(), 1);
    EXPECT_EQ(results()->selectedItems().size(), 1);
    EXPECT_EQ(band.text(), QStringLiteral("Send operation success"));
    EXPECT_EQ(HistoryOf(page), (Entries{"0084000004", "00A4000000"}));

    click(P::IDC_CLEAR);
    EXPECT_EQ(results()->count(), 0);
}

TEST_F(IsoPageTest, AFailedSendIsStillRecordedButListsNothing) {
    fake_reader::results("rf_cos_command", {0x0F});
    send("0084000008");
    EXPECT_EQ(band.text(), QStringLiteral("Error: f ,Function: rf_cos_command"));
    EXPECT_EQ(results()->count(), 0);
    EXPECT_EQ(HistoryOf(page), (Entries{"0084000008"}));
}

TEST_F(IsoPageTest, CommandLengthsFromEmptyTo251AreSentAndLongerOnesRefused) {
    const QString longest = QString(502, u'0');
    send("");
    send(longest);
    EXPECT_EQ(calls(), (Calls{"rf_cos_command(0,,0)",
                              "rf_cos_command(0," + longest.toStdString() + ",251)"}));
    EXPECT_TRUE(boxes().empty());

    send(longest + "00");
    EXPECT_EQ(calls().size(), 2u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes()[0].text, QStringLiteral("cos command must not be more than 251 bytes!"));
    EXPECT_EQ(HistoryOf(page), (Entries{"", longest.toStdString()}));
}

TEST_F(IsoPageTest, ACommandWithAStrayLastDigitIsRefusedAndNotRecorded) {
    for (const char *command : {"0", "008400000", "00 84 00 00 0"}) send(command);
    EXPECT_TRUE(calls().empty());
    ASSERT_EQ(boxes().size(), 3u);
    for (const auto &box : boxes()) {
        EXPECT_EQ(box.text, QStringLiteral("cos command must be whole bytes: an even number of hex "
                                           "digits!"));
        EXPECT_EQ(box.caption, QStringLiteral("Error"));
    }
    EXPECT_TRUE(HistoryOf(page).empty());
}

TEST_F(IsoPageTest, TheHistoryDialogListsTheCommandsAndGivesOneBack) {
    for (const char *command : {"0084000008", "0084000008", "00B0000000", "0084000008"}) {
        send(QString::fromLatin1(command));
    }
    EXPECT_EQ(HistoryOf(page), (Entries{"0084000008", "00B0000000", "0084000008"}));
    set(P::IDC_COMMAND, "");
    app_test::WithModalDialog<tilvane::CCosHistoryDlg>(
        control<QPushButton>(P::IDC_HISTORY), [](tilvane::CCosHistoryDlg *dialog) {
            tilvane::ResultList *list = dialog->list();
            EXPECT_EQ(list->Entries(), (QStringList{"0084000008", "00B0000000", "0084000008"}));
            EXPECT_EQ(list->currentRow(), 2);
            const QRect second = list->visualItemRect(list->item(1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
            EXPECT_FALSE(dialog->isVisible());
        });
    EXPECT_EQ(text(P::IDC_COMMAND), QStringLiteral("00B0000000"));
    EXPECT_EQ(calls().size(), 4u);  // choosing sends nothing
}

// Through the view, as the card menu switches pages: a page reads its history
// when it opens and writes it when it goes.
class CosHistoryAcrossPages : public app_test::AppTestWithBand {
protected:
    CosHistoryAcrossPages() {
        state.api = fake_reader::api();
        state.set_connected(true);
        view.show();
    }
    void send(const char *command) {
        view.page()->findChild<QLineEdit *>("cosCommand")->setText(command);
        QTest::mouseClick(view.page()->findChild<QPushButton *>("send"), Qt::LeftButton);
    }
    Entries history() {
        const tilvane::CosExchange *exchange =
            view.page()->objectName() == "SamPage"
                ? &static_cast<tilvane::CSamPage *>(view.page())->exchange()
                : &static_cast<P *>(view.page())->exchange();
        return {exchange->history().entries().begin(), exchange->history().entries().end()};
    }

    tilvane::AppState state;
    tilvane::CPranixView view{tilvane::CardPageFactory(state), [] { return 1280; }};
};

TEST_F(CosHistoryAcrossPages, EachPageFindsItsOwnHistoryAgain) {
    view.SwitchPage(tilvane::kMifarePro);
    ASSERT_NE(qobject_cast<P *>(view.page()), nullptr);
    send("0084000008");
    view.SwitchPage(tilvane::kSam);
    ASSERT_NE(qobject_cast<tilvane::CSamPage *>(view.page()), nullptr);
    send("00A4040008");
    view.SwitchPage(tilvane::kMifarePro);
    EXPECT_EQ(history(), (Entries{"0084000008"}));
    EXPECT_EQ(view.page()->findChild<tilvane::ResultList *>("result")->count(), 0);
    view.SwitchPage(tilvane::kSam);
    EXPECT_EQ(history(), (Entries{"00A4040008"}));
    EXPECT_EQ(fake_reader::calls(),
              (Calls{"rf_cos_command(0,0084000008,5)", "rf_sam_cos(0,00A4040008,5)"}));
}

TEST_F(CosHistoryAcrossPages, ClearCosLeavesAFileHoldingOnlyTheCount) {
    view.SwitchPage(tilvane::kMifarePro);
    send("0084000008");
    app_test::WithModalDialog<tilvane::CCosHistoryDlg>(
        view.page()->findChild<QPushButton *>("cosHistory"), [](tilvane::CCosHistoryDlg *dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton *>("clearCos"), Qt::LeftButton);
            EXPECT_EQ(dialog->list()->count(), 0);
            QTest::mouseClick(dialog->findChild<QPushButton *>("exit"), Qt::LeftButton);
        });
    view.SwitchPage(tilvane::kMifareStd);
    QFile file(data_directory() + "/cosbooks.j");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(4, '\0'));
}

}  // namespace
