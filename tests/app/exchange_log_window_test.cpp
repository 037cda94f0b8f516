// The exchange log's window: opened from the Setting menu and logging only
// while open, the entries of a Search on two pages, the filter, Copy and Save
// formats, Pause, Clear and Show keys, its controls by their accessible names,
// at 640x480 and from the keyboard.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "accessibility.h"
#include "app_test.h"
#include "binding/result_meaning.h"
#include "common/app_state.h"
#include "common/logged_api.h"
#include "layout_checks.h"
#include "shell/card_families.h"
#include "shell/main_frame.h"
#include "shell/page_factory.h"
#include "workbench/exchange_log_model.h"
#include "workbench/exchange_log_window.h"

namespace {

using tilvane::CMainFrame;
using tilvane::ExchangeLogModel;
using tilvane::ExchangeLogWindow;

// A row as the list shows it, from the function on.
using Row = std::vector<std::string>;

std::vector<Row> Rows(const QAbstractItemModel &model) {
    std::vector<Row> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        Row cells;
        for (int column = ExchangeLogModel::kFunction; column < model.columnCount(); ++column) {
            cells.push_back(model.data(model.index(row, column)).toString().toStdString());
        }
        rows.push_back(cells);
    }
    return rows;
}

Row Done(const std::string &function, const std::string &arguments,
         const std::string &returned = "") {
    return {function, arguments, "0", "done", returned};
}

Row Failed(const std::string &function, const std::string &arguments, std::int32_t result) {
    return {function, arguments, std::to_string(result),
            binding::result_meaning(function, result).text, ""};
}

// ---- In the main window -----------------------------------------------------------

class ExchangeLogInMainWindow : public app_test::AppTest {
protected:
    ExchangeLogInMainWindow() {
        state.api = fake_reader::api();
        state.sleep_ms = [](unsigned) {};
        state.com_port = 1;
        state.card_family = tilvane::kMifareStd;
        frame = std::make_unique<CMainFrame>(state, tilvane::CardPageFactory(state),
                                             [] { return 1280; });
        frame->show();
    }
    void trigger(int command) {
        frame->command_action(command)->trigger();
        QCoreApplication::processEvents();
    }
    ExchangeLogWindow &log() {
        if (frame->exchange_log() == nullptr || !frame->exchange_log()->isVisible()) {
            trigger(CMainFrame::ID_EXCHANGE_LOG);
        }
        return *frame->exchange_log();
    }
    void search() {
        QTest::mouseClick(frame->view()->page()->findChild<QPushButton *>("searchCard"),
                          Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    tilvane::AppState state;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(ExchangeLogInMainWindow, TheSettingMenuOpensItAndCallsAreLoggedOnlyWhileItIsOpen) {
    EXPECT_TRUE(tilvane::SameTable(state.api, fake_reader::api()));  // the pages' plain table
    EXPECT_TRUE(log().logging());
    EXPECT_TRUE(tilvane::SameTable(state.api, tilvane::LoggingTable(fake_reader::api())));
    trigger(CMainFrame::ID_STOP_CONNECT);
    log().close();
    EXPECT_TRUE(tilvane::SameTable(state.api, fake_reader::api()));
    trigger(CMainFrame::ID_CONNECT);
    // Opened again, it keeps what it listed and logs again.
    log();
    trigger(CMainFrame::ID_STOP_CONNECT);
    EXPECT_EQ(Rows(*log().model()),
              (std::vector<Row>{Done("rf_ClosePort", ""), Done("rf_ClosePort", "")}));
    // It closes with the main window.
    frame->close();
    EXPECT_FALSE(frame->exchange_log()->isVisible());
    EXPECT_TRUE(tilvane::SameTable(state.api, fake_reader::api()));
}

TEST_F(ExchangeLogInMainWindow, OpensNoLargerThanTheScreenAndStillLogsMinimized) {
    const QRect room = log().screen()->availableGeometry();
    EXPECT_LE(log().width(), room.width());
    EXPECT_LE(log().height(), room.height());
    log().showMinimized();
    EXPECT_TRUE(log().logging());
    trigger(CMainFrame::ID_EXCHANGE_LOG);
    EXPECT_FALSE(log().isMinimized());
}

TEST_F(ExchangeLogInMainWindow, ASecondLogWindowSaysItLogsNothing) {
    log();
    ExchangeLogWindow second(state);
    second.show();
    EXPECT_FALSE(second.logging());
    EXPECT_EQ(second.count_label()->text(),
              QStringLiteral("Another exchange log is open: no calls logged here"));
    trigger(CMainFrame::ID_STOP_CONNECT);
    EXPECT_EQ(log().model()->rowCount(), 1);
}

TEST_F(ExchangeLogInMainWindow, ListsASearchOnTwoPagesInOrderWithArgumentsAndResults) {
    log();
    search();  // Mifare Classic: a card
    frame->ChooseFamily(tilvane::kSr176);
    fake_reader::results("rf_st_select", {2, 2});  // no SR176 card, both attempts
    search();

    std::vector<Row> expected = {
        Done("rf_antenna_sta", "address=0, state=0"),
        Done("rf_init_type", "address=0, type=65"),
        Done("rf_antenna_sta", "address=0, state=1"),
        Done("rf_request", "address=0, mode=82", "atqa=0400"),
        Done("rf_anticoll", "address=0, uid_size=4", "uid=12345678, length=4"),
        Done("rf_select", "address=0, uid=12345678, uid_length=4", "sak=08"),
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        expected.push_back(Done("rf_antenna_sta", "address=0, state=0"));
        expected.push_back(Done("rf_init_type", "address=0, type=115"));
        expected.push_back(Done("rf_antenna_sta", "address=0, state=1"));
        expected.push_back(Failed("rf_st_select", "address=0", 2));
    }
    EXPECT_EQ(Rows(*log().model()), expected);
    EXPECT_EQ(log().count_label()->text(), QStringLiteral("%1 calls").arg(expected.size()));
}

// ---- The window on its own --------------------------------------------------------

class ExchangeLogWindowTest : public app_test::AppTest {
protected:
    ExchangeLogWindowTest() {
        state.api = fake_reader::api();
        window.show();
    }
    ~ExchangeLogWindowTest() override { QApplication::clipboard()->clear(); }

    // An entry of a known time, as if recorded.
    void add(std::string_view function, const std::string &arguments, std::int32_t result,
             const std::string &meaning, const std::string &returned = "", int microseconds = 500) {
        tilvane::ExchangeEntry entry;
        entry.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(kTimeMs));
        entry.duration = std::chrono::microseconds(microseconds);
        entry.function = function;
        entry.arguments = arguments;
        entry.result = result;
        entry.meaning = meaning;
        entry.returned = returned;
        window.model()->log()->append(std::move(entry));
        QCoreApplication::processEvents();
    }
    void add_sample() {
        add("rf_M1_read", "address=0, block=4", 0, "done", "data=00112233, length=4", 1250);
        add("rf_M1_read", "address=0, block=9", 6, "reader status 06: not allowed");
        add("rf_M1_authentication2", "address=0, auth_code=96, block=4, key=******", 0, "done");
        add("rf_st_select", "address=0", 2, "reader status 02: no card");
    }
    static QString Time() {
        return QDateTime::fromMSecsSinceEpoch(kTimeMs).toString(QStringLiteral("hh:mm:ss.zzz"));
    }

    static constexpr qint64 kTimeMs = 1700000000123;
    tilvane::AppState state;
    ExchangeLogWindow window{state};
};

TEST_F(ExchangeLogWindowTest, EveryControlIsNamedForScreenReadersAndFitsA640By480Screen) {
    const std::vector<std::pair<const char *, QWidget *>> controls = {
        {"Filter:", window.filter()},     {"Show keys", window.show_keys()},
        {"Pause", window.pause_button()}, {"Clear", window.clear_button()},
        {"Copy", window.copy_button()},   {"Save...", window.save_button()},
        {"Calls", window.table()},
    };
    window.resize(640, 480);
    QCoreApplication::processEvents();
    app_test::ExpectControlsInside(&window);
    for (const auto &[name, control] : controls) {
        EXPECT_EQ(app_test::FindByAccessibleName<QWidget>(&window, name), control) << name;
        EXPECT_TRUE(control->isVisible()) << name;
        EXPECT_GE(control->width(), control->minimumSizeHint().width()) << name;
    }
    EXPECT_GE(window.table()->height(), 300);
}

TEST_F(ExchangeLogWindowTest, TheFilterShowsTheRowsWithItsTextInAnyColumn) {
    add_sample();
    const std::vector<std::pair<const char *, std::vector<int>>> cases = {
        {"", {0, 1, 2, 3}}, {"RF_M1_READ", {0, 1}}, {"block=4", {0, 2}}, {"no card", {3}},
        {"00112233", {0}},  {"1.250", {0}},         {"******", {2}},     {"rf_halt", {}},
    };
    for (const auto &[text, rows] : cases) {
        window.filter()->setText(QString::fromLatin1(text));
        std::vector<int> shown;
        for (int row = 0; row < window.shown()->rowCount(); ++row) {
            shown.push_back(window.shown()->mapToSource(window.shown()->index(row, 0)).row());
        }
        EXPECT_EQ(shown, rows) << text;
    }
}

TEST_F(ExchangeLogWindowTest, CopiesTheSelectedRowsTheFilterShowsInTheirOrder) {
    add_sample();
    for (int row : {3, 1}) {
        window.table()->selectionModel()->select(
            window.shown()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTest::mouseClick(window.copy_button(), Qt::LeftButton);
    const QString block_9 = Time() + "\t0.500\trf_M1_read\taddress=0, block=9\t6\t" +
                            "reader status 06: not allowed\t\n";
    const QString no_card =
        Time() + "\t0.500\trf_st_select\taddress=0\t2\treader status 02: no card\t\n";
    EXPECT_EQ(QApplication::clipboard()->text(), block_9 + no_card);

    window.filter()->setText(QStringLiteral("rf_st"));
    window.table()->selectAll();
    window.CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(), no_card);
}

TEST_F(ExchangeLogWindowTest, SavesTheRowsShownInTheFormatTheNameAsksFor) {
    add("rf_M1_read", "address=0, block=4", 0, "done", "data=00112233, length=4", 1250);
    add("rf_init_com", "port=1, baud=9600", 2, "it said \"no\"\nand stopped");
    add("rf_halt", "address=0", 0, "done");
    const QString text =
        "Time\tDuration (ms)\tFunction\tArguments\tResult\tMeaning\tReturned\n"
        "%1\t1.250\trf_M1_read\taddress=0, block=4\t0\tdone\tdata=00112233, length=4\n"
        "%1\t0.500\trf_init_com\tport=1, baud=9600\t2\tit said \"no\" and stopped\t\n"
        "%1\t0.500\trf_halt\taddress=0\t0\tdone\t\n";
    const QString csv =
        "Time,Duration (ms),Function,Arguments,Result,Meaning,Returned\r\n"
        "%1,1.250,rf_M1_read,\"address=0, block=4\",0,done,\"data=00112233, length=4\"\r\n"
        "%1,0.500,rf_init_com,\"port=1, baud=9600\",2,\"it said \"\"no\"\"\nand stopped\",\r\n"
        "%1,0.500,rf_halt,address=0,0,done,\r\n";
    const QString halt_only =
        "Time\tDuration (ms)\tFunction\tArguments\tResult\tMeaning\t"
        "Returned\n%1\t0.500\trf_halt\taddress=0\t0\tdone\t\n";
    QTemporaryDir directory;
    for (const auto &[name, filter, contents] :
         {std::tuple{"log.txt", "", text}, {"log.CSV", "", csv}, {"halt", "rf_halt", halt_only}}) {
        const QString path = directory.filePath(QString::fromLatin1(name));
        window.filter()->setText(QString::fromLatin1(filter));
        window.SetSaveChooser([path](QWidget *) { return path; });
        QTest::mouseClick(window.save_button(), Qt::LeftButton);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(QString::fromUtf8(file.readAll()), contents.arg(Time())) << name;
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ExchangeLogWindowTest, AFileThatCannotBeWrittenIsSaidSoAndCancelWritesNothing) {
    add_sample();
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("no-such-folder/log.csv"));
    EXPECT_FALSE(window.SaveTo(path, tilvane::LogFileFormat::Csv));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].text.startsWith(QStringLiteral("Cannot write ") + path));
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Critical);

    window.SetSaveChooser([](QWidget *) { return QString(); });
    QTest::mouseClick(window.save_button(), Qt::LeftButton);
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(QDir(directory.path()).isEmpty());
}

TEST_F(ExchangeLogWindowTest, PauseHoldsTheCallsAndClearEmptiesTheListAndWhatIsHeld) {
    state.api.rf_halt(0);
    QCoreApplication::processEvents();
    QTest::mouseClick(window.pause_button(), Qt::LeftButton);
    std::uint8_t sak = 0;
    state.api.rf_select(0, std::vector<std::uint8_t>{1, 2, 3, 4}.data(), 4, &sak);
    state.api.rf_halt(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.model()->rowCount(), 1);
    EXPECT_TRUE(QTest::qWaitFor([this] {  // the count of held calls follows within a moment
        return window.count_label()->text() == QStringLiteral("Paused, 2 held; 1 call");
    })) << window.count_label()->text().toStdString();
    QTest::mouseClick(window.pause_button(), Qt::LeftButton);
    EXPECT_EQ(
        Rows(*window.model()),
        (std::vector<Row>{Done("rf_halt", "address=0"),
                          Done("rf_select", "address=0, uid=01020304, uid_length=4", "sak=08"),
                          Done("rf_halt", "address=1")}));

    QTest::mouseClick(window.pause_button(), Qt::LeftButton);
    state.api.rf_halt(2);
    QTest::mouseClick(window.clear_button(), Qt::LeftButton);
    QTest::mouseClick(window.pause_button(), Qt::LeftButton);
    EXPECT_EQ(window.model()->rowCount(), 0);
    EXPECT_EQ(window.count_label()->text(), QStringLiteral("0 calls"));
}

TEST_F(ExchangeLogWindowTest, ShowKeysRevealsOnlyTheKeysOfCallsMadeWhileTicked) {
    const std::uint8_t key[6] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    state.api.rf_M1_authentication2(0, 0x60, 4, key);
    window.show_keys()->click();
    state.api.rf_M1_authentication2(0, 0x61, 4, key);
    QCoreApplication::processEvents();
    const auto key_shown = [this](int row) {
        return window.model()->Text(row, ExchangeLogModel::kArguments).section(u'=', -1);
    };
    EXPECT_EQ(key_shown(0), QStringLiteral("******"));
    EXPECT_EQ(key_shown(1), QStringLiteral("A0A1A2A3A4A5"));
    window.show_keys()->click();
    EXPECT_EQ(key_shown(1), QStringLiteral("******"));
    window.filter()->setText(QStringLiteral("A0A1A2"));  // the filter sees what is shown
    EXPECT_EQ(window.shown()->rowCount(), 0);
}

TEST_F(ExchangeLogWindowTest, WorksFromTheKeyboard) {
    add_sample();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(window.filter()->hasFocus());
    QTest::keyClicks(window.filter(), QStringLiteral("rf_M1"));
    EXPECT_EQ(window.shown()->rowCount(), 3);

    window.table()->setFocus();
    QTest::keyClick(window.table(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window.table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().count(u'\n'), 3);  // whole rows
    // A mnemonic clicks its button a moment later, as the button is seen pressed.
    QTest::keyClick(&window, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.model()->paused(); }));
    QTest::keyClick(window.table(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.logging());
}

}  // namespace
