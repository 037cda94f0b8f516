// The SRIX4K page against a reader of fakes: its controls, search, UID, the read
// of 128 blocks, the two tabs, the silent length check of Write, the lock, and
// where the grid stands for each screen width.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>

#include "common/hex_edit.h"
#include "pages/srix4k_page.h"
#include "common/app_state.h"
#include "accessibility.h"
#include "layout_checks.h"
#include "page_test.h"

namespace {

using P = tilvane::CSrix4kPage;
using app_test::Calls;

const Calls kSearch = {"rf_antenna_sta(0,0)", "rf_init_type(0,115)", "rf_antenna_sta(0,1)",
                       "rf_st_select(0)"};

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class Srix4kPageTest : public app_test::FakeReaderPageTest<P, 145> {
protected:
    Srix4kPageTest() {
        page.resize(1276, 860);
        page.LayoutForScreen(1280);
    }

    QString block(int n) { return text(P::IDC_BLOCK_DATA + n); }
    bool shown(int n) { return control(P::IDC_BLOCK_DATA + n)->isVisible(); }
    void click_tab(int tab) {
        QTest::mouseClick(page.sheet(), Qt::LeftButton, {}, page.tab_rect(tab).center());
    }
};

TEST_F(Srix4kPageTest, OpensWithItsListLimitsAndCaptionsAndTheFirstTab) {
    EXPECT_EQ(entries(P::IDC_BLOCK).size(), 128);
    EXPECT_EQ(control<QComboBox>(P::IDC_BLOCK)->currentText(), QStringLiteral("0"));
    EXPECT_EQ(control<tilvane::CHexEdit>(P::IDC_BLOCK_DATA + 127)->GetLimitBytes(), 4);
    EXPECT_EQ(control<tilvane::CHexEdit>(P::IDC_LOCK_REGISTER)->GetLimitBytes(), 1);
    QStringList captions;
    for (int id : {P::IDC_SEARCH, P::IDC_READ_UID, P::IDC_READ, P::IDC_WRITE, P::IDC_LOCK}) {
        captions << control<QPushButton>(id)->text();
    }
    EXPECT_EQ(captions,
              (QStringList{"SearchCard", "Read UID", "Read Card", "Write Card", "Block Lock"}));
    for (const auto &[caption, id] : {std::pair{"Chip - ID", int{P::IDC_CHIP_ID}},
                                      {"UID", P::IDC_UID},
                                      {"Lock - Reg", P::IDC_LOCK_REGISTER},
                                      {"block100", P::IDC_BLOCK_DATA + 100}}) {
        EXPECT_EQ(app_test::FindByAccessibleName<QLineEdit>(&page, caption), control(id))
            << caption;
    }
    EXPECT_EQ(app_test::FindByAccessibleName<QComboBox>(&page, "Write block address"),
              control(P::IDC_BLOCK));
}

TEST_F(Srix4kPageTest, SearchSelectsTheCardShowsItsChipIdAndClearsTheBlocks) {
    set(P::IDC_BLOCK_DATA + 100, "01020304");
    click(P::IDC_SEARCH);
    EXPECT_EQ(calls(), kSearch);
    EXPECT_EQ(sleeps, std::vector<unsigned>{10});
    EXPECT_EQ(text(P::IDC_CHIP_ID), QStringLiteral("06"));
    EXPECT_EQ(block(100), QString());
    EXPECT_EQ(band.text(), QStringLiteral("Search card successfully"));
}

TEST_F(Srix4kPageTest, ReadUidShowsWhatTheCardAnswers) {
    click(P::IDC_READ_UID);
    EXPECT_EQ(calls(), Calls{"rf_srix4k_getuid(0)"});
    EXPECT_EQ(text(P::IDC_UID), QStringLiteral("E5A972134B0C02D0"));
    EXPECT_EQ(band.text(), QStringLiteral("Read UID success"));
}

TEST_F(Srix4kPageTest, ReadFillsAll128BlocksAndTheSecondTabShowsTheirOtherHalf) {
    for (int n = 0; n < P::kBlocks; ++n) {
        fake_reader::state().memory["rf_srix4k_readblock"][n] = {0xB1, 0x0C, 0x00,
                                                                 static_cast<std::uint8_t>(n)};
    }
    click(P::IDC_READ);
    ASSERT_EQ(calls().size(), 128u);
    EXPECT_EQ(calls().back(), "rf_srix4k_readblock(0,127)");
    EXPECT_EQ(block(0), QStringLiteral("B10C0000"));
    EXPECT_EQ(block(127), QStringLiteral("B10C007F"));
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(page.selected_tab(), P::kFirstPage);
    EXPECT_TRUE(shown(63));
    EXPECT_FALSE(shown(64));

    // Clicks outside the tabs and on the tab on show change and repaint nothing.
    // First the window is made active (a click would activate it and repaint it
    // all) and the paints the read asked for are done.
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    PaintCounter counter;
    page.sheet()->installEventFilter(&counter);
    QTest::mouseClick(page.sheet(), Qt::LeftButton, {},
                      page.tab_rect(P::kSecondPage).topRight() + QPoint(5, 5));
    click_tab(P::kFirstPage);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(page.selected_tab(), P::kFirstPage);

    click_tab(P::kSecondPage);
    QApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(page.selected_tab(), P::kSecondPage);
    EXPECT_FALSE(shown(63));
    EXPECT_TRUE(shown(64));
    // The second tab's blocks stand where the first tab's did.
    EXPECT_EQ(control(P::IDC_BLOCK_DATA + 100)->geometry(),
              control(P::IDC_BLOCK_DATA + 36)->geometry());
}

TEST_F(Srix4kPageTest, AFailingBlockEndsReadWithItsNumberAndKeepsTheBlocksBefore) {
    fake_reader::state().memory["rf_srix4k_readblock"][70] = {1, 2, 3};
    set(P::IDC_BLOCK_DATA + 90, "01020304");
    click(P::IDC_READ);
    EXPECT_EQ(calls().size(), 71u);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 0 ,Function: Read Block: 70 failed!"));
    EXPECT_EQ(block(69), QStringLiteral("00000000"));
    EXPECT_EQ(block(70), QString());
    EXPECT_EQ(block(90), QString());
}

TEST_F(Srix4kPageTest, WriteSendsOnlyExactlyFourBytesAndSaysNothingOtherwise) {
    choose(P::IDC_BLOCK, 100);
    for (const char *data : {"0A0B0C", "0A0B0C0", ""}) {
        set(P::IDC_BLOCK_DATA + 100, data);
        click(P::IDC_WRITE);
    }
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(band.text(), QString());

    set(P::IDC_BLOCK_DATA + 100, "0A0B0C0D");
    click(P::IDC_WRITE);
    EXPECT_EQ(calls(), Calls{"rf_srix4k_writeblock(0,100,0A0B0C0D)"});
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
}

// The question and the length check are the SR176 page's too, tested there.
TEST_F(Srix4kPageTest, LockWritesTheLockRegisterAfterTheQuestion) {
    set(P::IDC_LOCK_REGISTER, "7F");
    answer(QMessageBox::Cancel);
    click(P::IDC_LOCK);
    EXPECT_TRUE(calls().empty());
    click(P::IDC_LOCK);  // OK
    EXPECT_EQ(calls(), Calls{"rf_srix4k_writelockreg(0,127)"});
    EXPECT_EQ(boxes().size(), 2u);
    EXPECT_EQ(band.text(), QStringLiteral("Lock block success"));
}

TEST_F(Srix4kPageTest, WithoutAConnectionNoButtonCallsTheReader) {
    set(P::IDC_CHIP_ID, "5D");
    set(P::IDC_LOCK_REGISTER, "7F");
    for (int button : {P::IDC_SEARCH, P::IDC_READ_UID, P::IDC_READ, P::IDC_WRITE, P::IDC_LOCK}) {
        state.set_connected(false);
        band.Show(tilvane::StatusBand::Mark::None, QString());
        click(button);
        EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device")) << button;
    }
    EXPECT_TRUE(calls().empty());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(text(P::IDC_CHIP_ID), QString());  // Search cleared it first
}

class Srix4kPageLayout : public Srix4kPageTest,
                         public ::testing::WithParamInterface<app_test::Screen> {};

TEST_P(Srix4kPageLayout, TheGridFollowsTheWidthAndEveryControlStaysOnThePage) {
    page.resize(GetParam().view);
    page.LayoutForScreen(GetParam().width);
    QApplication::processEvents();
    app_test::ExpectControlsInside(page.sheet());
    EXPECT_TRUE(page.sheet()->rect().contains(page.tab_rect(P::kSecondPage)));

    // The group moves only down, and only on large screens, to centre a band of
    // 442 pixels; the grid starts 20 pixels right of the first caption.
    QWidget *label = control(P::IDC_CHIP_ID_LABEL);
    const QRect caption(label->mapTo(page.sheet(), QPoint(0, 0)), label->size());
    const int centred = (GetParam().view.height() - 442) / 2;
    EXPECT_EQ(caption.y(), GetParam().width >= 1024 ? std::max(24, centred) : 24);
    const int left = caption.x() + caption.width() + 20;
    const int w = (page.sheet()->width() - 20 - left - 40) / 4;
    EXPECT_EQ(control(P::IDC_BLOCK_DATA + 16 * 2 + 3)->geometry(),
              QRect(left + 2 * w + 82, caption.y() + 3 * 22, w - 56, 18));
    EXPECT_EQ(page.tab_rect(P::kSecondPage), QRect(left + 130, caption.y() + 387, 110, 30));
}

INSTANTIATE_TEST_SUITE_P(Screens, Srix4kPageLayout,
                         ::testing::Values(app_test::Screen{640, {636, 380}},
                                           app_test::Screen{800, {796, 500}},
                                           app_test::Screen{1280, {1276, 860}},
                                           app_test::Screen{1280, {1276, 300}},
                                           app_test::Screen{1280, {300, 200}}));

}  // namespace
