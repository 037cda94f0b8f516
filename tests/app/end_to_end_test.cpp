// Whole operations from the button to the card and back: the real library and
// transport against reader-sim, driven through the application's own widgets.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

#include <csignal>
#include <memory>

#include "common/hex_edit.h"
#include "common/operator_messages.h"
#include "common/status_band.h"
#include "pages/mifare_classic_page.h"
#include "shell/page_factory.h"
#include "common/app_state.h"
#include "shell/main_frame.h"
#include "shell/setting_dialog.h"
#include "app_test.h"
#include "page_test.h"
#include "tilvane_program.h"

namespace {

using P = tilvane::CMifareClassicPage;
const char *kTransportKey = "FFFFFFFFFFFF";

class EndToEnd : public app_test::SimulatedPageTest<P, 104> {
  protected:
    EndToEnd() : SimulatedPageTest({"--card", "mifare4k", "--baud", "9600"}) {}
};

TEST_F(EndToEnd, TheMainWindowConnectsDisconnectsAndReconnects) {
    state.baud_rate = 1;  // 14400: the reader is found at 9600 and moved to it
    state.card_family = tilvane::kMifareStd;
    tilvane::CMainFrame frame(state, tilvane::CardPageFactory(state), [] { return 1280; });
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(state.connected());

    // The frame shows its messages in its own band.
    const tilvane::StatusBand &frame_band = *frame.status_band();
    frame.command_action(tilvane::CMainFrame::ID_STOP_CONNECT)->trigger();
    EXPECT_EQ(frame_band.text(), QStringLiteral("Disconnect operation successfully"));
    EXPECT_FALSE(state.connected());
    frame.command_action(tilvane::CMainFrame::ID_CONNECT)->trigger();
    EXPECT_EQ(frame_band.text(), QStringLiteral("Connect device success"));
    EXPECT_TRUE(state.connected());

    // The page on show works over the connection the frame opened.
    auto *search = frame.view()->page()->findChild<QPushButton *>("searchCard");
    ASSERT_NE(search, nullptr);
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(frame_band.text(), QStringLiteral("Operation success"));
}

// A session's end while the program runs connected, no box open: it ends as
// when its window is closed, the settings it holds stored.
TEST_F(EndToEnd, TheProgramEndsOnSigtermAsWhenItsWindowIsClosed) {
    app_test::TilvaneProgram program(config_directory());
    // Baud index 9 is out of range: the program connects at index 1, which only
    // a write brings to the file.
    program.write_settings("[General]\nCurCard=6\nComPort=1\nBaudRate=9\n");
    ASSERT_TRUE(program.Start());
    program.Send(SIGTERM);
    ASSERT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process().exitCode(), 0);
    QSettings stored(program.settings_file(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("CurCard").toString(), QStringLiteral("6"));
    EXPECT_EQ(stored.value("ComPort").toString(), QStringLiteral("1"));
    EXPECT_EQ(stored.value("BaudRate").toString(), QStringLiteral("1"));
}

TEST_F(EndToEnd, TheSettingsDialogReadsTheReader) {
    connect_reader();
    tilvane::CSettingDlg dialog(state);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton *>("readProduct"), Qt::LeftButton);
    EXPECT_EQ(band.text(), QStringLiteral("Read product infomation successfully"));
    EXPECT_EQ(dialog.findChild<QLineEdit *>("model")->text().size(), 4);
    EXPECT_EQ(dialog.findChild<QLineEdit *>("serial")->text().size(), 16);
    EXPECT_EQ(dialog.findChild<QLineEdit *>("dllVersion")->text(), QStringLiteral("2.0"));
    QTest::mouseClick(dialog.findChild<QPushButton *>("connect"), Qt::LeftButton);
    EXPECT_EQ(band.text(), QStringLiteral("Connect device success"));
}

TEST_F(EndToEnd, SearchShowsTheCardsUid) {
    connect_reader();
    click(P::IDC_SEARCH);
    EXPECT_EQ(text(P::IDC_UID), QStringLiteral("6B2D80F3"));
    EXPECT_EQ(band.text(), QStringLiteral("Operation success"));
    EXPECT_TRUE(page().card_selected());
}

TEST_F(EndToEnd, ThePurseIsInitialisedIncreasedDecreasedAndRead) {
    connect_reader();
    choose(P::IDC_PURSE_SECTOR, 1);
    choose(P::IDC_PURSE_BLOCK, 0);
    set(P::IDC_PURSE_KEY, kTransportKey);

    set(P::IDC_PURSE_VALUE, "100");
    click(P::IDC_PURSE_INITIALIZE);
    EXPECT_EQ(band.text(), QStringLiteral("Initialize purse successfullly"));
    set(P::IDC_PURSE_VALUE, "25");
    click(P::IDC_PURSE_INCREASE);
    EXPECT_EQ(band.text(), QStringLiteral("Add successfully"));
    set(P::IDC_PURSE_VALUE_HEX, "05000000");  // 5, typed as bytes
    click(P::IDC_PURSE_DECREASE);
    EXPECT_EQ(band.text(), QStringLiteral("Decrement successfully"));

    click(P::IDC_PURSE_BALANCE);
    EXPECT_EQ(band.text(), QStringLiteral("Read successfully"));
    EXPECT_EQ(text(P::IDC_PURSE_VALUE), QStringLiteral("120"));
    EXPECT_EQ(text(P::IDC_PURSE_VALUE_HEX), QStringLiteral("78000000"));

    // The block now holds the value in the card's own format; window 1 shows it.
    set(P::IDC_W1_KEY, kTransportKey);
    choose(P::IDC_W1_SECTOR, 1);
    click(P::IDC_W1_READ);
    EXPECT_EQ(text(P::IDC_W1_DATA0), QStringLiteral("7800000087FFFFFF7800000004FB04FB"));
}

TEST_F(EndToEnd, Window1WritesAndReadsBackADataBlock) {
    connect_reader();
    choose(P::IDC_W1_SECTOR, 2);
    choose(P::IDC_W1_BLOCK, 1);
    set(P::IDC_W1_KEY, kTransportKey);
    set(P::IDC_W1_DATA1, "00112233445566778899AABBCCDDEEFF");
    click(P::IDC_W1_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));

    set(P::IDC_W1_DATA1, "");
    click(P::IDC_W1_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(text(P::IDC_W1_DATA0), QString(32, u'0'));
    EXPECT_EQ(text(P::IDC_W1_DATA1), QStringLiteral("00112233445566778899AABBCCDDEEFF"));
    EXPECT_EQ(text(P::IDC_W1_TRAILER_ACCESS), QStringLiteral("FF078069"));
}

TEST_F(EndToEnd, Window2ReadsAndWritesTheWhole16BlockSector) {
    connect_reader();
    choose(P::IDC_W2_SECTOR, 35);  // blocks 176 to 191
    choose(P::IDC_W2_BLOCK, 14);
    set(P::IDC_W2_KEY, kTransportKey);
    set(P::IDC_W2_DATA3 + 11, "E14E");
    click(P::IDC_W2_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    EXPECT_TRUE(boxes().empty());

    set(P::IDC_W2_DATA3 + 11, "");
    click(P::IDC_W2_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(text(P::IDC_W2_DATA0), QString(32, u'0'));
    EXPECT_EQ(text(P::IDC_W2_DATA3 + 11), QStringLiteral("E14E") + QString(28, u'0'));
    EXPECT_EQ(text(P::IDC_W2_TRAILER_ACCESS), QStringLiteral("FF078069"));
}

TEST_F(EndToEnd, TheTrailerQuestionGuardsTheKeys) {
    connect_reader();
    choose(P::IDC_W1_SECTOR, 3);
    choose(P::IDC_W1_BLOCK, 3);
    set(P::IDC_W1_KEY, kTransportKey);
    set(P::IDC_W1_TRAILER_KEY_A, "A0A1A2A3A4A5");
    set(P::IDC_W1_TRAILER_ACCESS, "FF078069");
    set(P::IDC_W1_TRAILER_KEY_B, "B0B1B2B3B4B5");

    answer(QMessageBox::Cancel);
    click(P::IDC_W1_WRITE);
    ASSERT_EQ(boxes().size(), 1u);
    click(P::IDC_W1_READ);  // the transport key still opens the sector
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));

    // The read filled the trailer boxes with what the card shows: type them again.
    set(P::IDC_W1_TRAILER_KEY_A, "A0A1A2A3A4A5");
    set(P::IDC_W1_TRAILER_ACCESS, "FF078069");
    set(P::IDC_W1_TRAILER_KEY_B, "B0B1B2B3B4B5");
    answer(QMessageBox::Ok);
    click(P::IDC_W1_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    click(P::IDC_W1_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 4 ,Function: rf_M1_authentication2"));
    EXPECT_FALSE(page().card_selected());
    set(P::IDC_W1_KEY, "A0A1A2A3A4A5");
    click(P::IDC_W1_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(text(P::IDC_W1_TRAILER_KEY_B), QStringLiteral("B0B1B2B3B4B5"));
}

}  // namespace
