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
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

// A row as the list shows it, the time left out.
struct Row {
    std::string function;
    std::string arguments;
    std::string result;
    std::string meaning;
    std::string returned;

    bool operator==(const Row &) const = default;
};

void PrintTo(const Row &row, std::ostream *os) {
    *os << row.function << '(' << row.arguments << ") -> " << row.result << " [" << row.meaning
        << "] " << row.returned;
}

std::vector<Row> Rows(const QAbstractItemModel &model) {
    std::vector<Row> rows;
    const auto cell = [&model](int row, int column) {
        return model.data(model.index(row, column)).toString().toStdString();
    };
    for (int row = 0; row < model.rowCount(); ++row) {
        rows.push_back({cell(row, ExchangeLogModel::kFunction),
                        cell(row, ExchangeLogModel::kArguments),
                        cell(row, ExchangeLogModel::kResult), cell(row, ExchangeLogModel::kMeaning),
                        cell(row, ExchangeLogModel::kReturned)});
    }
    return rows;
}

// A successful call's row.
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
        frame->resize(1280, 860);
        frame->show();
    }

    void open_log() {
        frame->command_action(CMainFrame::ID_EXCHANGE_LOG)->trigger();
        ASSERT_NE(frame->exchange_log(), nullptr);
    }
    ExchangeLogWindow &log() { return *frame->exchange_log(); }
    void click_on_page(const char *name) {
        auto *button = frame->view()->page()->findChild<QPushButton *>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    tilvane::AppState state;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(ExchangeLogInMainWindow, TheSettingMenuOpensItAndCallsAreLoggedOnlyWhileItIsOpen) {
    // Until the log is open the pages call the plain table.
    EXPECT_TRUE(tilvane::SameTable(state.api, fake_reader::api()));
    EXPECT_EQ(frame->exchange_log(), nullptr);

    open_log();
    EXPECT_TRUE(log().isVisible());
    EXPECT_TRUE(log().logging());
    EXPECT_TRUE(tilvane::SameTable(state.api, tilvane::LoggingTable(fake_reader::api())));
    frame->command_action(CMainFrame::ID_STOP_CONNECT)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows(*log().model()), std::vector<Row>{Done("rf_ClosePort", "")});

    log().close();
    EXPECT_FALSE(log().logging());
    EXPECT_TRUE(tilvane::SameTable(state.api, fake_reader::api()));
    frame->command_action(CMainFrame::ID_CONNECT)->trigger();
    QCoreApplication::processEvents();

    // Opened again, it keeps what it listed and logs again.
    open_log();
    frame->command_action(CMainFrame::ID_STOP_CONNECT)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows(*log().model()),
              (std::vector<Row>{Done("rf_ClosePort", ""), Done("rf_ClosePort", "")}));
}

TEST_F(ExchangeLogInMainWindow, ListsASearchOnTwoPagesInOrderWithArgumentsAndResults) {
    open_log();
    click_on_page("searchCard");  // Mifare Classic: a card
    frame->ChooseFamily(tilvane::kSr176);
    fake_reader::results("rf_st_select", {2, 2});  // no SR176 card, both attempts
    click_on_page("searchCard");

    const std::vector<Row> field_on_type_a = {
        Done("rf_antenna_sta", "address=0, state=0"),
        Done("rf_init_type", "address=0, type=65"),
        Done("rf_antenna_sta", "address=0, state=1"),
    };
    const std::vector<Row> sr176_attempt = {
        Done("rf_antenna_sta", "address=0, state=0"),
        Done("rf_init_type", "address=0, type=115"),
        Done("rf_antenna_sta", "address=0, state=1"),
        Failed("rf_st_select", "address=0", 2),
    };
    std::vector<Row> expected = field_on_type_a;
    expected.push_back(Done("rf_request", "address=0, mode=82", "atqa=0400"));
    expected.push_back(Done("rf_anticoll", "address=0, uid_size=4", "uid=12345678, length=4"));
    expected.push_back(Done("rf_select", "address=0, uid=12345678, uid_length=4", "sak=08"));
    expected.insert(expected.end(), sr176_attempt.begin(), sr176_attempt.end());
    expected.insert(expected.end(), sr176_attempt.begin(), sr176_attempt.end());
    EXPECT_EQ(Rows(*log().model()), expected);
    EXPECT_EQ(log().count_label()->text(), QStringLiteral("%1 calls").arg(expected.size()));
}

// ---- The window on its own --------------------------------------------------------

class ExchangeLogWindowTest : public app_test::AppTest {
protected:
    ExchangeLogWindowTest() {
        state.api = fake_reader::api();
        window.show();
        QCoreApplication::processEvents();
    }
    ~ExchangeLogWindowTest() override { QApplication::clipboard()->clear(); }

    // Entries of known times and texts, as if recorded.
    void add(const std::string &function, const std::string &arguments,
             std::optional<std::int32_t> result, const std::string &meaning,
             const std::string &returned, double milliseconds = 0.5) {
        tilvane::ExchangeEntry entry;
        entry.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(kTimeMs));
        entry.duration = std::chrono::microseconds(static_cast<int>(milliseconds * 1000));
        entry.function = Name(function);
        entry.arguments = arguments;
        entry.result = result;
        entry.meaning = meaning;
        entry.returned = returned;
        window.model()->log()->append(std::move(entry));
        QCoreApplication::processEvents();
    }
    void add_sample() {
        add("rf_M1_read", "address=0, block=4", 0, "done", "data=00112233, length=4", 1.25);
        add("rf_M1_read", "address=0, block=9", 6, "reader status 06: not allowed", "");
        add("rf_M1_authentication2", "address=0, auth_code=96, block=4, key=******", 0, "done", "");
        add("rf_st_select", "address=0", 2, "reader status 02: no card", "");
    }
    // The names of the functions must outlive the entries.
    static std::string_view Name(const std::string &function) {
        static std::vector<std::unique_ptr<std::string>> names;
        names.push_back(std::make_unique<std::string>(function));
        return *names.back();
    }
    static QString Time() {
        return QDateTime::fromMSecsSinceEpoch(kTimeMs).toString(QStringLiteral("hh:mm:ss.zzz"));
    }
    std::vector<std::string> functions_shown() {
        std::vector<std::string> names;
        for (const Row &row : Rows(*window.shown())) names.push_back(row.function);
        return names;
    }
    void select_rows(std::initializer_list<int> rows) {
        window.table()->clearSelection();
        for (int row : rows) {
            window.table()->selectionModel()->select(
                window.shown()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    static constexpr qint64 kTimeMs = 1700000000123;
    tilvane::AppState state;
    ExchangeLogWindow window{state};
};

TEST_F(ExchangeLogWindowTest, EveryControlIsNamedForScreenReaders) {
    const auto find = [this](auto *type, const char *name) {
        using T = std::remove_pointer_t<decltype(type)>;
        return app_test::FindByAccessibleName<T>(&window, QString::fromLatin1(name));
    };
    EXPECT_EQ(find(static_cast<QLineEdit *>(nullptr), "Filter:"), window.filter());
    EXPECT_EQ(find(static_cast<QCheckBox *>(nullptr), "Show keys"), window.show_keys());
    EXPECT_EQ(find(static_cast<QPushButton *>(nullptr), "Pause"), window.pause_button());
    EXPECT_EQ(find(static_cast<QPushButton *>(nullptr), "Clear"), window.clear_button());
    EXPECT_EQ(find(static_cast<QPushButton *>(nullptr), "Copy"), window.copy_button());
    EXPECT_EQ(find(static_cast<QPushButton *>(nullptr), "Save..."), window.save_button());
    EXPECT_EQ(find(static_cast<QTableView *>(nullptr), "Calls"), window.table());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Exchange Log"));
}

TEST_F(ExchangeLogWindowTest, FitsA640By480Screen) {
    window.resize(640, 480);
    QCoreApplication::processEvents();
    EXPECT_LE(window.width(), 640);
    EXPECT_LE(window.height(), 480);
    app_test::ExpectControlsInside(&window);
    for (QWidget *control : std::vector<QWidget *>{
             window.filter(), window.show_keys(), window.pause_button(), window.clear_button(),
             window.copy_button(), window.save_button(), window.count_label()}) {
        EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString();
        EXPECT_GE(control->width(), control->minimumSizeHint().width())
            << control->objectName().toStdString();
    }
    EXPECT_GE(window.table()->height(), 300);
}

struct FilterCase {
    const char *text;
    std::vector<std::string> functions;
};

void PrintTo(const FilterCase &c, std::ostream *os) { *os << '"' << c.text << '"'; }

class ExchangeLogFilter : public ExchangeLogWindowTest,
                          public ::testing::WithParamInterface<FilterCase> {};

TEST_P(ExchangeLogFilter, ShowsTheRowsWithTheTextInAnyColumn) {
    add_sample();
    window.filter()->setText(QString::fromLatin1(GetParam().text));
    EXPECT_EQ(functions_shown(), GetParam().functions);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExchangeLogFilter,
    ::testing::Values(
        FilterCase{"", {"rf_M1_read", "rf_M1_read", "rf_M1_authentication2", "rf_st_select"}},
        FilterCase{"RF_M1_READ", {"rf_M1_read", "rf_M1_read"}},
        FilterCase{"block=4", {"rf_M1_read", "rf_M1_authentication2"}},
        FilterCase{"no card", {"rf_st_select"}}, FilterCase{"00112233", {"rf_M1_read"}},
        FilterCase{"1.250", {"rf_M1_read"}}, FilterCase{"******", {"rf_M1_authentication2"}},
        FilterCase{"rf_halt", {}}));

TEST_F(ExchangeLogWindowTest, CopiesTheSelectedRowsTabSeparatedInTheirOrder) {
    add_sample();
    select_rows({3, 1});
    QTest::mouseClick(window.copy_button(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              Time() +
                  "\t0.500\trf_M1_read\taddress=0, block=9\t6\treader status 06: not allowed\t\n" +
                  Time() + "\t0.500\trf_st_select\taddress=0\t2\treader status 02: no card\t\n");
}

TEST_F(ExchangeLogWindowTest, CopiesOnlyWhatTheFilterShows) {
    add_sample();
    window.filter()->setText(QStringLiteral("rf_st"));
    window.table()->selectAll();
    window.CopySelection();
    EXPECT_EQ(QApplication::clipboard()->text(),
              Time() + "\t0.500\trf_st_select\taddress=0\t2\treader status 02: no card\t\n");
}

struct SaveCase {
    const char *file;
    QString contents;  // %1: the time
};

void PrintTo(const SaveCase &c, std::ostream *os) { *os << c.file; }

class ExchangeLogSave : public ExchangeLogWindowTest,
                        public ::testing::WithParamInterface<SaveCase> {};

TEST_P(ExchangeLogSave, WritesTheRowsShownInTheFormatTheNameAsksFor) {
    add("rf_M1_read", "address=0, block=4", 0, "done", "data=00112233, length=4", 1.25);
    add("rf_init_com", "port=1, baud=9600", 2, "it said \"no\"\nand stopped", "");
    add("rf_halt", "address=0", 0, "done", "");
    window.filter()->setText(QStringLiteral("r"));  // every row
    QTemporaryDir directory;
    const QString path = directory.filePath(QString::fromLatin1(GetParam().file));
    window.SetSaveChooser([path](QWidget *) { return path; });
    QTest::mouseClick(window.save_button(), Qt::LeftButton);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), GetParam().contents.arg(Time()));
    EXPECT_TRUE(boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExchangeLogSave,
    ::testing::Values(
        SaveCase{"log.txt",
                 "Time\tDuration (ms)\tFunction\tArguments\tResult\tMeaning\tReturned\n"
                 "%1\t1.250\trf_M1_read\taddress=0, block=4\t0\tdone\tdata=00112233, length=4\n"
                 "%1\t0.500\trf_init_com\tport=1, baud=9600\t2\tit said \"no\" and stopped\t\n"
                 "%1\t0.500\trf_halt\taddress=0\t0\tdone\t\n"},
        SaveCase{"log.CSV",
                 "Time,Duration (ms),Function,Arguments,Result,Meaning,Returned\r\n"
                 "%1,1.250,rf_M1_read,\"address=0, block=4\",0,done,\"data=00112233, length=4\"\r\n"
                 "%1,0.500,rf_init_com,\"port=1, baud=9600\",2,\"it said \"\"no\"\"\nand "
                 "stopped\",\r\n"
                 "%1,0.500,rf_halt,address=0,0,done,\r\n"}));

TEST_F(ExchangeLogWindowTest, SavesOnlyWhatTheFilterShowsAndNothingWhenCancelled) {
    add_sample();
    window.filter()->setText(QStringLiteral("no card"));
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("log.txt"));
    ASSERT_TRUE(window.SaveTo(path, tilvane::LogFileFormat::Text));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 2);  // the titles and one row

    window.SetSaveChooser([](QWidget *) { return QString(); });
    QTest::mouseClick(window.save_button(), Qt::LeftButton);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ExchangeLogWindowTest, AFileThatCannotBeWrittenIsSaidSo) {
    add_sample();
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("no-such-folder/log.csv"));
    EXPECT_FALSE(window.SaveTo(path, tilvane::LogFileFormat::Csv));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].text.startsWith(QStringLiteral("Cannot write ") + path))
        << boxes()[0].text.toStdString();
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Critical);
}

TEST_F(ExchangeLogWindowTest, PauseHoldsTheCallsAndClearEmptiesTheList) {
    std::uint8_t sak = 0;
    const std::uint8_t uid[4] = {1, 2, 3, 4};
    state.api.rf_halt(0);
    QCoreApplication::processEvents();
    QTest::mouseClick(window.pause_button(), Qt::LeftButton);
    state.api.rf_select(0, uid, 4, &sak);
    state.api.rf_halt(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.model()->rowCount(), 1);
    // The count of held calls follows within a moment.
    EXPECT_TRUE(QTest::qWaitFor([this] {
        return window.count_label()->text() == QStringLiteral("Paused, 2 held; 1 call");
    })) << window.count_label()->text().toStdString();

    QTest::mouseClick(window.pause_button(), Qt::LeftButton);
    EXPECT_EQ(
        Rows(*window.model()),
        (std::vector<Row>{Done("rf_halt", "address=0"),
                          Done("rf_select", "address=0, uid=01020304, uid_length=4", "sak=08"),
                          Done("rf_halt", "address=0")}));

    QTest::mouseClick(window.clear_button(), Qt::LeftButton);
    EXPECT_EQ(window.model()->rowCount(), 0);
    EXPECT_EQ(window.count_label()->text(), QStringLiteral("0 calls"));
}

TEST_F(ExchangeLogWindowTest, ShowKeysRevealsOnlyTheKeysOfCallsMadeWhileTicked) {
    const std::uint8_t key[6] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    state.api.rf_M1_authentication2(0, 0x60, 4, key);
    window.show_keys()->click();
    state.api.rf_M1_authentication2(0, 0x61, 4, key);
    QCoreApplication::processEvents();
    const auto arguments = [this](int row) {
        return window.model()->Text(row, ExchangeLogModel::kArguments);
    };
    EXPECT_EQ(arguments(0), QStringLiteral("address=0, auth_code=96, block=4, key=******"));
    EXPECT_EQ(arguments(1), QStringLiteral("address=0, auth_code=97, block=4, key=A0A1A2A3A4A5"));
    window.show_keys()->click();
    EXPECT_EQ(arguments(1), QStringLiteral("address=0, auth_code=97, block=4, key=******"));
    // The filter sees what is shown.
    window.filter()->setText(QStringLiteral("A0A1A2"));
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
    EXPECT_EQ(QApplication::clipboard()->text().count(u'\n'), 3);

    // A mnemonic clicks its button a moment later, as the button is seen pressed.
    QTest::keyClick(&window, Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.model()->paused(); }));

    QTest::keyClick(window.table(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.logging());
}

}  // namespace
