// The workbench from the main window: the File menu's items, the recent dumps,
// files dropped on the window, several windows at once, the main window's close
// waiting for them, and the pages waiting while a workbench holds the reader.

#include <gtest/gtest.h>

#include <QAction>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <memory>

#include "cardkit/dump_formats.h"
#include "common/app_state.h"
#include "shell/main_frame.h"
#include "shell/page_factory.h"
#include "workbench/dump_document.h"
#include "workbench/workbench_launcher.h"
#include "workbench/workbench_window.h"
#include "workbench_test.h"

namespace {

using tilvane::CMainFrame;
using tilvane::WorkbenchLauncher;
using workbench_test::FactoryMifare;

class WorkbenchLauncherTest : public workbench_test::WorkbenchTest {
protected:
    WorkbenchLauncherTest() {
        state.api = fake_reader::api();
        state.sleep_ms = [](unsigned) {};
        state.com_port = 1;
        frame = std::make_unique<CMainFrame>(state, tilvane::CardPageFactory(state),
                                             [] { return 1280; });
        frame->resize(1000, 700);
        frame->show();
        const std::string content =
            cardkit::export_dump(FactoryMifare(), cardkit::DumpFormat::Mct).content;
        write(QStringLiteral("card.mct"),
              QByteArray(content.data(), static_cast<qsizetype>(content.size())));
    }
    ~WorkbenchLauncherTest() override {
        for (tilvane::WorkbenchWindow *window : launcher().windows()) {
            window->document().MarkSaved(QString(), cardkit::DumpFormat::Mct);
        }
    }

    WorkbenchLauncher &launcher() { return *frame->workbench(); }
    QAction *item(const char *name) {
        return frame->findChild<QAction *>(QString::fromLatin1(name));
    }
    // Drops the files on the main window as a file manager does.
    bool drop(const QStringList &paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(frame.get(), &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop_event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(frame.get(), &drop_event);
        return drop_event.isAccepted();
    }

    tilvane::AppState state;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(WorkbenchLauncherTest, TheFileMenuOpensWindowsEmptyOrOnAFile) {
    item("openWorkbench")->trigger();
    ASSERT_EQ(launcher().windows().size(), 1u);
    EXPECT_FALSE(launcher().windows()[0]->document().has_dump());

    choices.push_back({file(QStringLiteral("card.mct")), {}});
    item("openDump")->trigger();
    ASSERT_EQ(launcher().windows().size(), 2u);
    EXPECT_EQ(launcher().windows()[1]->document().display_name(), QStringLiteral("card.mct"));
    // The same file again brings its window forward rather than a second copy.
    choices.push_back({file(QStringLiteral("card.mct")), {}});
    item("openDump")->trigger();
    EXPECT_EQ(launcher().windows().size(), 2u);
}

TEST_F(WorkbenchLauncherTest, RecentDumpsOpenAgainNewestFirst) {
    const std::string content =
        cardkit::export_dump(FactoryMifare(), cardkit::DumpFormat::Json).content;
    write(QStringLiteral("second.json"),
          QByteArray(content.data(), static_cast<qsizetype>(content.size())));
    EXPECT_FALSE(launcher().recent_menu()->menuAction()->isEnabled());
    launcher().OpenFile(file(QStringLiteral("card.mct")));
    launcher().OpenFile(file(QStringLiteral("second.json")));
    EXPECT_EQ(launcher().recent_files(),
              (QStringList{file(QStringLiteral("second.json")), file(QStringLiteral("card.mct"))}));
    ASSERT_TRUE(launcher().CloseAll());

    QMenu *recent = launcher().recent_menu();
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[0]->text(), QStringLiteral("&1 second.json"));
    recent->actions()[1]->trigger();
    ASSERT_EQ(launcher().windows().size(), 1u);
    EXPECT_EQ(launcher().windows()[0]->document().display_name(), QStringLiteral("card.mct"));
    // Reopened, the file goes first again; the list keeps the newest few.
    EXPECT_EQ(launcher().recent_files().front(), file(QStringLiteral("card.mct")));
}

TEST_F(WorkbenchLauncherTest, DroppedFilesOpenEachInAWindow) {
    const std::string content =
        cardkit::export_dump(cardkit::CardDump::sr176(), cardkit::DumpFormat::Json).content;
    write(QStringLiteral("tag.json"),
          QByteArray(content.data(), static_cast<qsizetype>(content.size())));
    EXPECT_TRUE(drop({file(QStringLiteral("card.mct")), file(QStringLiteral("tag.json"))}));
    ASSERT_EQ(launcher().windows().size(), 2u);
    EXPECT_EQ(launcher().windows()[1]->document().dump().family(), cardkit::CardFamily::Sr176);
    // A drag of no file is left to the window's controls.
    EXPECT_FALSE(drop({file(QStringLiteral("no such file"))}));
}

TEST_F(WorkbenchLauncherTest, AFileThatIsNoDumpOpensNoWindowAndSaysWhy) {
    write(QStringLiteral("notes.txt"), "shopping list\n");
    EXPECT_EQ(launcher().OpenFile(file(QStringLiteral("notes.txt"))), nullptr);
    EXPECT_TRUE(launcher().windows().empty());
    EXPECT_TRUE(frame->status_band()->text().startsWith(QStringLiteral("Error: ")));
    EXPECT_TRUE(frame->status_band()->text().contains(QStringLiteral("notes.txt")));
}

TEST_F(WorkbenchLauncherTest, TheMainWindowClosesOnlyOnceTheWorkbenchesHave) {
    tilvane::WorkbenchWindow *window = launcher().OpenFile(file(QStringLiteral("card.mct")));
    ASSERT_NE(window, nullptr);
    window->document().SetBlock(4, std::vector<std::uint8_t>(16, 1));
    fake_reader::state().calls.clear();
    answer(QMessageBox::Cancel);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(fake_reader::calls().empty()) << "the port stays open while the window does";

    answer(QMessageBox::Discard);
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(launcher().windows().empty() || !launcher().windows()[0]->isVisible());
    EXPECT_EQ(fake_reader::calls(), std::vector<std::string>{"rf_ClosePort()"});
}

TEST_F(WorkbenchLauncherTest, WhileAWorkbenchHoldsTheReaderThePagesWaitAndSayWhy) {
    tilvane::WorkbenchWindow *other = launcher().OpenWindow();
    auto *read = other->findChild<QPushButton *>(QStringLiteral("readCard"));
    ASSERT_TRUE(read->isEnabled());
    const int connect_id = CMainFrame::ID_STOP_CONNECT;

    ASSERT_TRUE(state.ClaimReader(QStringLiteral("The card workbench is reading a card")));
    EXPECT_FALSE(frame->view()->isEnabled());
    EXPECT_FALSE(frame->command_action(connect_id)->isEnabled());
    EXPECT_FALSE(frame->command_action(CMainFrame::ID_SETTING)->isEnabled());
    EXPECT_EQ(frame->status_band()->text(),
              QStringLiteral("The card workbench is reading a card: the pages wait until it ends"));
    EXPECT_FALSE(read->isEnabled()) << "another workbench window waits too";
    EXPECT_FALSE(state.ClaimReader(QStringLiteral("a second holder")));

    state.ReleaseReader();
    EXPECT_TRUE(frame->view()->isEnabled());
    EXPECT_EQ(frame->command_action(connect_id)->isEnabled(), state.connected());
    EXPECT_TRUE(frame->command_action(CMainFrame::ID_SETTING)->isEnabled());
    EXPECT_EQ(frame->status_band()->text(), QStringLiteral("The reader is free again"));
    EXPECT_TRUE(read->isEnabled());
}

}  // namespace
