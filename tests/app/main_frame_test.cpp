// The main window against a reader of fakes: connecting, the card menu, the
// toolbar, the title and page switching.

#include <gtest/gtest.h>

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <memory>

#include "common/status_band.h"
#include "controls/pelk_menu.h"
#include "pages/card_page.h"
#include "shell/page_factory.h"
#include "shell/about_dialog.h"
#include "common/app_state.h"
#include "shell/application.h"
#include "shell/card_families.h"
#include "shell/main_frame.h"
#include "shell/view_background.h"
#include "app_test.h"
#include "device_holder.h"
#include "transport_environment.h"

namespace {

using tilvane::CMainFrame;

class MainFrameTest : public app_test::AppTest {
protected:
    MainFrameTest() {
        state.api = fake_reader::api();
        state.sleep_ms = [](unsigned) {};
        state.com_port = 1;
        state.baud_rate = 1;
        state.card_family = 1;
    }

    CMainFrame &frame() {
        if (!frame_) {
            frame_ = std::make_unique<CMainFrame>(state, tilvane::CardPageFactory(state),
                                                  [this] { return screen_width; });
            frame_->resize(1400, 900);
            frame_->show();
        }
        return *frame_;
    }
    QAction *command(int id) { return frame().command_action(id); }
    QString band() { return frame().status_band()->text(); }
    std::vector<bool> checked_families() {
        std::vector<bool> checked;
        for (int family = 0; family < tilvane::kCardFamilyCount; ++family) {
            checked.push_back(frame().family_action(family)->isChecked());
        }
        return checked;
    }

    tilvane::AppState state;
    int screen_width = 1280;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(MainFrameTest, ConnectsAtStartWithTheStoredPortAndRate) {
    state.com_port = 2;
    state.baud_rate = 6;
    frame();
    EXPECT_EQ(fake_reader::calls(), std::vector<std::string>{"rf_init_com(2,115200)"});
    EXPECT_TRUE(state.connected());
    EXPECT_TRUE(boxes().empty());
    EXPECT_FALSE(command(CMainFrame::ID_CONNECT)->isEnabled());
    EXPECT_TRUE(command(CMainFrame::ID_STOP_CONNECT)->isEnabled());
}

TEST_F(MainFrameTest, AFailedStartConnectShowsItsBoxAndLeavesConnectEnabled) {
    state.com_port = 0;  // a fresh machine
    frame();
    EXPECT_EQ(fake_reader::calls(),
              (std::vector<std::string>{"rf_init_com(0,14400)", "rf_ClosePort()"}));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Connect device failed!"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(state.connected());
    EXPECT_TRUE(command(CMainFrame::ID_CONNECT)->isEnabled());
    EXPECT_FALSE(command(CMainFrame::ID_STOP_CONNECT)->isEnabled());
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Tilvane  -  MifareStd"));
}

TEST_F(MainFrameTest, ConnectAndStopConnectFollowTheConnection) {
    fake_reader::results("rf_init_com", {7});
    frame();
    ASSERT_FALSE(state.connected());
    fake_reader::state().calls.clear();

    command(CMainFrame::ID_CONNECT)->trigger();
    EXPECT_EQ(fake_reader::calls(), std::vector<std::string>{"rf_init_com(1,14400)"});
    EXPECT_EQ(band(), QStringLiteral("Connect device success"));
    EXPECT_EQ(frame().status_band()->mark(), tilvane::StatusBand::Mark::Success);
    EXPECT_FALSE(command(CMainFrame::ID_CONNECT)->isEnabled());
    EXPECT_TRUE(command(CMainFrame::ID_STOP_CONNECT)->isEnabled());

    command(CMainFrame::ID_STOP_CONNECT)->trigger();
    EXPECT_EQ(fake_reader::calls().back(), "rf_ClosePort()");
    EXPECT_EQ(band(), QStringLiteral("Disconnect operation successfully"));
    EXPECT_FALSE(state.connected());
    EXPECT_TRUE(command(CMainFrame::ID_CONNECT)->isEnabled());
    EXPECT_FALSE(command(CMainFrame::ID_STOP_CONNECT)->isEnabled());

    fake_reader::state().calls.clear();
    fake_reader::results("rf_init_com", {0x101});
    command(CMainFrame::ID_CONNECT)->trigger();
    EXPECT_EQ(fake_reader::calls(),
              (std::vector<std::string>{"rf_init_com(1,14400)", "rf_ClosePort()"}));
    EXPECT_EQ(band(), QStringLiteral("Error: Connect device failed!"));
    EXPECT_EQ(frame().status_band()->mark(), tilvane::StatusBand::Mark::Error);
    EXPECT_EQ(beeps(), 1);
    EXPECT_TRUE(command(CMainFrame::ID_CONNECT)->isEnabled());
    EXPECT_FALSE(command(CMainFrame::ID_STOP_CONNECT)->isEnabled());
    EXPECT_EQ(boxes().size(), 1u);  // only the one of the start
}

// For a port in use the band says so and names the program holding it (a child
// process here); other failures keep the band's own words; the start's box keeps
// its words.
TEST_F(MainFrameTest, AFailedConnectOnAPortInUseSaysWhoHoldsIt) {
    test_support::PseudoTerminalPair pair;
    test_support::DeviceHolder holder(pair.slave_path(),
                                      test_support::DeviceHolder::Lock::LikeTheTransport);
    ASSERT_GT(holder.pid(), 0);
    test_support::use_device(1, pair.slave_path());
    const QString failed = QStringLiteral("Error: Connect device failed!");
    const struct {
        std::int32_t result;
        QString band;
    } rows[] = {
        {16, failed + QStringLiteral(" - the port is in use by another program (held by %1, "
                                     "process %2)")
                          .arg(QString::fromStdString(holder.name()))
                          .arg(holder.pid())},
        {13, failed},     // any other reason: the band's own words, as always
        {0x101, failed},  // the port opened; no reader answered
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.result);
        fake_reader::results("rf_init_com", {row.result, row.result});
        frame_.reset();
        const std::size_t boxes_before = boxes().size();
        const int beeps_before = beeps();
        frame();
        ASSERT_EQ(boxes().size(), boxes_before + 1);
        EXPECT_EQ(boxes().back().text, QStringLiteral("Connect device failed!"));
        EXPECT_EQ(band(), row.band == failed ? QString() : row.band);
        EXPECT_EQ(beeps(), beeps_before);  // the box has sounded

        command(CMainFrame::ID_CONNECT)->trigger();
        EXPECT_EQ(band(), row.band);
        EXPECT_EQ(boxes().size(), boxes_before + 1);
        EXPECT_EQ(beeps(), beeps_before + 1);
    }
    unsetenv("SELMEK_PORT1");
}

TEST_F(MainFrameTest, ClosingWhileConnectedClosesThePortOnce) {
    frame();
    ASSERT_TRUE(state.connected());
    fake_reader::state().calls.clear();
    frame().close();
    frame().close();
    EXPECT_EQ(fake_reader::calls(), std::vector<std::string>{"rf_ClosePort()"});
    EXPECT_TRUE(state.connected());  // the flag is left as it was
}

TEST_F(MainFrameTest, ClosingWhileDisconnectedCallsNothing) {
    fake_reader::results("rf_init_com", {1});
    frame();
    fake_reader::state().calls.clear();
    frame().close();
    EXPECT_TRUE(fake_reader::calls().empty());
}

TEST_F(MainFrameTest, ChoosingAFamilySwitchesTitleCheckMarksAndPage) {
    frame();
    EXPECT_EQ(checked_families(),
              (std::vector<bool>{false, true, false, false, false, false, false, false}));
    QPointer<QWidget> mifare_page = frame().view()->page();

    frame().family_action(tilvane::kSrix4k)->trigger();
    EXPECT_EQ(state.card_family, 4);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Tilvane  -  SRIX4K"));
    EXPECT_EQ(checked_families(),
              (std::vector<bool>{false, false, false, false, true, false, false, false}));
    EXPECT_EQ(frame().view()->page()->objectName(), QStringLiteral("Srix4kPage"));
    EXPECT_TRUE(mifare_page.isNull());  // destroyed
    QToolButton *button = qobject_cast<QToolButton *>(
        frame().family_toolbar()->widgetForAction(frame().family_action(tilvane::kSrix4k)));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isChecked());

    frame().family_action(tilvane::kMifarePro)->trigger();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Tilvane  -  MifarePro"));
    EXPECT_EQ(frame().view()->page()->objectName(), QStringLiteral("Iso14443Part4Page"));
}

TEST_F(MainFrameTest, ChoosingTheFamilyOnShowKeepsThePageAndItsContents) {
    frame();
    QWidget *page = frame().view()->page();
    auto *uid = page->findChild<QLineEdit *>("uid");
    ASSERT_NE(uid, nullptr);
    uid->setText(QStringLiteral("CAFE"));
    frame().family_action(tilvane::kMifareStd)->trigger();
    EXPECT_EQ(frame().view()->page(), page);
    EXPECT_EQ(uid->text(), QStringLiteral("CAFE"));
    EXPECT_TRUE(frame().family_action(tilvane::kMifareStd)->isChecked());

    // Away and back: a new page, its contents gone.
    frame().family_action(tilvane::kSam)->trigger();
    frame().family_action(tilvane::kMifareStd)->trigger();
    auto *new_uid = frame().view()->page()->findChild<QLineEdit *>("uid");
    ASSERT_NE(new_uid, nullptr);
    EXPECT_EQ(new_uid->text(), QString());
}

TEST_F(MainFrameTest, StartsOnTheStoredFamily) {
    state.card_family = 6;
    frame();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Tilvane  -  ISO15693"));
    EXPECT_EQ(frame().view()->page()->objectName(), QStringLiteral("Iso15693Page"));
    EXPECT_TRUE(frame().family_action(6)->isChecked());
}

TEST_F(MainFrameTest, EveryFamilysPageIsNamedAndThoseNotBuiltYetAreBare) {
    frame();
    for (int family = 0; family < tilvane::kCardFamilyCount; ++family) {
        frame().family_action(family)->trigger();
        QWidget *page = frame().view()->page();
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->objectName(),
                  QString::fromLatin1(
                      tilvane::kCardFamilies[static_cast<std::size_t>(family)].page_name));
        if (qobject_cast<tilvane::CardPage *>(page) == nullptr) {
            EXPECT_TRUE(page->children().isEmpty()) << family;
        }
    }
}

TEST_F(MainFrameTest, ToolbarShowsEachFamilysIconAndNameInMenuOrder) {
    frame();
    const QList<QAction *> actions = frame().family_toolbar()->actions();
    ASSERT_EQ(actions.size(), 8);
    const char *names[] = {"Ultra light", "MifareStd", "AT88RF020", "SR176",
                           "SRIX4K",      "MifarePro", "ISO15693",  "SAM"};
    for (int i = 0; i < 8; ++i) {
        auto *button =
            qobject_cast<QToolButton *>(frame().family_toolbar()->widgetForAction(actions[i]));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromLatin1(names[i]));
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        EXPECT_FALSE(actions[i]->icon().isNull());
        EXPECT_EQ(actions[i]->data().toInt(),
                  tilvane::kCardFamilies[static_cast<std::size_t>(i)].command_id);
    }
    // Clicking a button is the same as the menu.
    QTest::mouseClick(frame().family_toolbar()->widgetForAction(actions[3]), Qt::LeftButton);
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Tilvane  -  SR176"));
}

TEST_F(MainFrameTest, TheEnglishMenuHasItsCommandsInOrder) {
    frame();
    QStringList titles;
    for (QAction *menu : frame().menuBar()->actions()) titles << menu->text();
    EXPECT_EQ(titles, (QStringList{"File(&F)", "Choose Card(&I)", "Setting(&P)", "About(&H)"}));
    const auto items = [&](int index) {
        QStringList texts;
        for (QAction *item : frame().menuBar()->actions()[index]->menu()->actions()) {
            texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
        }
        return texts;
    };
    // The card workbench's items stand above the separator before Exit.
    EXPECT_EQ(items(0), (QStringList{"Card Workbench...", "Open Dump...", "Recent Dumps", "-",
                                     "Exit(&X)"}));
    EXPECT_EQ(items(1), (QStringList{"Ultra light", "Mifare Std", "AT88RF020", "SR176", "SRIX4K",
                                     "ISO14443-4", "ISO15693", "SAM"}));
    EXPECT_EQ(items(2), (QStringList{"Setting", "-", "Stop Connect", "Connect", "-",
                                     "Exchange Log..."}));
    // Without a branding file the About item carries the built-in About title.
    EXPECT_EQ(items(3), (QStringList{"About Tilvane"}));
    EXPECT_TRUE(command(CMainFrame::ID_SETTING)->isEnabled());
    EXPECT_TRUE(command(CMainFrame::ID_APP_ABOUT)->isEnabled());
}

TEST_F(MainFrameTest, TheToolbarStaysDockedAtTheTopAndShowsNoTooltips) {
    QToolBar *toolbar = frame().family_toolbar();
    EXPECT_FALSE(toolbar->isMovable());
    EXPECT_FALSE(toolbar->isFloatable());
    EXPECT_EQ(frame().toolBarArea(toolbar), Qt::TopToolBarArea);
    EXPECT_EQ(frame().createPopupMenu(), nullptr);  // nothing offers to hide it
    for (QAction *action : toolbar->actions()) {
        QWidget *button = toolbar->widgetForAction(action);
        QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), button->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(button, &hover);
        EXPECT_FALSE(QToolTip::isVisible()) << action->iconText().toStdString();
    }
}

// The menu as it is drawn on screen.
QImage Drawn(QMenu *menu) {
    menu->resize(menu->sizeHint());
    return menu->grab().toImage();
}

// The pixels of the image column of `item`'s row that are not the column's colour.
int MarkedInColumn(QMenu *menu, const QImage &image, QAction *item) {
    auto *style = qobject_cast<tilvane::PelkMenuStyle *>(menu->style());
    const QColor column = style->Colours(menu->palette()).image_column;
    const QRect row = menu->actionGeometry(item);
    int marked = 0;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        for (int x = row.left(); x < row.left() + style->ImageColumnWidth(menu); ++x) {
            marked += image.pixelColor(x, y) != column;
        }
    }
    return marked;
}

TEST_F(MainFrameTest, TheMenusDrawTheirSeparatorsCheckMarksAndTheAboutImage) {
    QMenu *file = frame().menu()->popup(0);
    ASSERT_NE(qobject_cast<tilvane::PelkMenuStyle *>(file->style()), nullptr);
    const QList<QAction *> file_items = file->actions();
    ASSERT_EQ(file_items.size(), 5);
    ASSERT_TRUE(file_items[3]->isSeparator());
    EXPECT_EQ(file->actionGeometry(file_items[3]).height(), 3);  // shown, before Exit
    EXPECT_GT(file->actionGeometry(file_items[4]).top(), file->actionGeometry(file_items[3]).top());

    QMenu *cards = frame().menu()->popup(1);
    const QImage card_menu = Drawn(cards);
    for (int family = 0; family < tilvane::kCardFamilyCount; ++family) {
        const int marked = MarkedInColumn(cards, card_menu, frame().family_action(family));
        EXPECT_EQ(marked > 0, family == tilvane::kMifareStd) << family;
    }

    QMenu *help = frame().menu()->popup(3);
    QAction *about = command(CMainFrame::ID_APP_ABOUT);
    EXPECT_GT(MarkedInColumn(help, Drawn(help), about), 20);
    EXPECT_EQ(MarkedInColumn(frame().menu()->popup(2), Drawn(frame().menu()->popup(2)),
                             command(CMainFrame::ID_SETTING)),
              0);
}

TEST_F(MainFrameTest, MenuItemsChangeTextByPositionOrCommand) {
    tilvane::PelkMenu &menu = *frame().menu();
    EXPECT_TRUE(menu.SetItemText(2, 2, QStringLiteral("Disconnect")));
    EXPECT_EQ(command(CMainFrame::ID_STOP_CONNECT)->text(), QStringLiteral("Disconnect"));
    EXPECT_TRUE(menu.SetItemTextById(CMainFrame::ID_CONNECT, QStringLiteral("Open")));
    EXPECT_EQ(command(CMainFrame::ID_CONNECT)->text(), QStringLiteral("Open"));
    EXPECT_FALSE(menu.SetItemText(4, 0, QStringLiteral("x")));
    EXPECT_FALSE(menu.SetItemText(3, 1, QStringLiteral("x")));
    EXPECT_FALSE(menu.SetItemTextById(1, QStringLiteral("x")));
}

TEST(MainWindowGeometry, StartsAsTheAvailableScreenEvenWhereNothingMaximizesIt) {
    QMainWindow window;
    tilvane::ShowMaximized(window);
    // What stays when no window manager acts on the request to maximize.
    EXPECT_EQ(window.normalGeometry(), window.screen()->availableGeometry());
    EXPECT_TRUE(window.isMaximized());
}

TEST_F(MainFrameTest, BrandingNamesTheWindowAndKeepsTheAboutItem) {
    write_app_config("[AppInfo]\nSoftwareName=Card Desk\n");
    frame();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("Card Desk  -  MifareStd"));
    EXPECT_EQ(command(CMainFrame::ID_APP_ABOUT)->text(), QStringLiteral("About Tilvane(&A)..."));
}

TEST_F(MainFrameTest, AnEmptyBrandingFileLeavesOnlyTheSeparatorAndTheFamily) {
    write_app_config("");
    frame();
    EXPECT_EQ(frame().windowTitle(), QStringLiteral("  -  MifareStd"));
}

TEST_F(MainFrameTest, TheStatusBandSitsRightOfTheMenus) {
    frame();
    EXPECT_EQ(frame().menuBar()->cornerWidget(Qt::TopRightCorner), frame().status_band());
    EXPECT_EQ(frame().status_band()->height(), 18);
    EXPECT_EQ(frame().status_band()->width(), frame().width() / 3);
}

struct Placement {
    int screen_width;
    const char *search_caption;
    bool centred;
};

void PrintTo(const Placement &placement, std::ostream *os) {
    *os << placement.screen_width;
}

class MifarePagePlacement : public MainFrameTest,
                            public ::testing::WithParamInterface<Placement> {};

TEST_P(MifarePagePlacement, TemplateAndPlaceFollowTheScreenWidth) {
    screen_width = GetParam().screen_width;
    frame();
    frame().family_action(tilvane::kSam)->trigger();
    frame().family_action(tilvane::kMifareStd)->trigger();
    QWidget *page = frame().view()->page();
    auto *search = page->findChild<QPushButton *>("searchCard");
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(search->text(), QString::fromUtf8(GetParam().search_caption));
    const QPoint centred((frame().view()->width() - page->width()) / 2,
                         (frame().view()->height() - page->height()) / 2);
    EXPECT_EQ(page->pos(), GetParam().centred ? centred : QPoint(0, 0));
}

INSTANTIATE_TEST_SUITE_P(ScreenWidths, MifarePagePlacement,
                         ::testing::Values(Placement{640, "寻卡", false},
                                           Placement{800, "寻卡", false},
                                           Placement{1024, "SearchCard", true},
                                           Placement{1280, "SearchCard", true}));

TEST(ViewBackground, BandsFadeFromBlueGreyIntoWhite) {
    EXPECT_EQ(tilvane::GradientBandHeight(800), 84);
    EXPECT_EQ(tilvane::GradientBandHeight(336), 84);
    EXPECT_EQ(tilvane::GradientBandHeight(300), 75);
    EXPECT_EQ(tilvane::GradientStripeColour(0, 84), QColor(171, 188, 199));
    EXPECT_EQ(tilvane::GradientStripeColour(83, 84), QColor(254, 254, 254));

    QImage image(40, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    tilvane::PaintViewBackground(painter, image.size());
    painter.end();
    EXPECT_EQ(QColor(image.pixel(5, 0)), QColor(171, 188, 199));
    EXPECT_EQ(QColor(image.pixel(5, 200)), QColor(Qt::white));
    EXPECT_EQ(QColor(image.pixel(5, 399)), tilvane::GradientStripeColour(2, 84));  // row H+1-2
}

class AboutBox : public app_test::AppTest {};

TEST_F(AboutBox, ShowsTheBrandingTextsTwoOfThemVisibly) {
    write_app_config(
        "[AppInfo]\nAboutTitle=About Desk\nAboutVersion=Desk 2\nAboutLTD=Maker\n"
        "HTTP=https://maker.example\nCOPYRIGHT=(C) Maker\nVersion=2.0.1\n");
    tilvane::CAboutDlg about;
    about.show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Desk"));
    using D = tilvane::CAboutDlg;
    struct Row {
        int id;
        const char *text;
        bool visible;
    };
    for (const Row &row :
         {Row{D::IDC_ABOUT_VERSION, "Desk 2", true}, Row{D::IDC_ABOUT_LTD, "Maker", false},
          Row{D::IDC_ABOUT_HTTP, "https://maker.example", false},
          Row{D::IDC_ABOUT_COPYRIGHT, "(C) Maker", true}, Row{D::IDC_VERSION, "2.0.1", false}}) {
        ASSERT_NE(about.Static(row.id), nullptr) << row.id;
        EXPECT_EQ(about.Static(row.id)->text(), QString::fromLatin1(row.text)) << row.id;
        EXPECT_EQ(about.Static(row.id)->isVisible(), row.visible) << row.id;
    }
    auto *ok = about.findChild<QPushButton *>("ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
