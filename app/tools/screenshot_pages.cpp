// Saves a picture of the main window with each page that is built, offscreen.
// With a reader on port 1 (for example reader-sim) each page is shown after a
// search and a read of its card. "ExchangeLog" among the pages (or no --pages)
// adds the exchange log's window after a search and a read on the Mifare
// Classic page. With --workbench, pictures of the card workbench instead, on a
// Mifare Classic 1K card on port 1: the card read and decoded after a write of
// its sector 1, and that read compared with the read before.
//
//   tilvane-screenshots --library DIR/libDrovik.so --out DIR [--width W --height H]
//                       [--pages UltralightPage,At88rf020Page,...,ExchangeLog] [--workbench]

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTabWidget>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

#include "common/app_data_directory.h"
#include "common/message_box.h"
#include "pages/card_page.h"
#include "shell/page_factory.h"
#include "common/app_state.h"
#include "shell/card_families.h"
#include "shell/main_frame.h"
#include "shell/reader_library.h"
#include "cardkit/access_bits.h"
#include "cardkit/value_block.h"
#include "workbench/card_panel.h"
#include "workbench/compare_panel.h"
#include "workbench/dump_document.h"
#include "workbench/dump_panel.h"
#include "workbench/workbench_window.h"
#include "workbench/exchange_log_model.h"
#include "workbench/exchange_log_window.h"

namespace {

void Click(QWidget *page, const char *name) {
    if (auto *button = page->findChild<QPushButton *>(QString::fromLatin1(name))) button->click();
}

void SetText(QWidget *page, const char *name, const QString &text) {
    if (auto *edit = page->findChild<QLineEdit *>(QString::fromLatin1(name))) edit->setText(text);
}

void Choose(QWidget *page, const char *name, int number) {
    if (auto *list = page->findChild<QComboBox *>(QString::fromLatin1(name))) {
        list->setCurrentIndex(list->findData(number));
    }
}

// A search, a purse, a written block, and a read in both windows, all with the
// transport key.
void WorkMifarePage(QWidget *page) {
    const QString key = QStringLiteral("FFFFFFFFFFFF");
    Click(page, "searchCard");
    SetText(page, "purseKey", key);
    SetText(page, "purseValue", QStringLiteral("1500"));
    Click(page, "purseInitialize");
    Click(page, "purseBalance");
    SetText(page, "w1Key", key);
    Choose(page, "w1Sector", 1);
    Choose(page, "w1Block", 1);
    SetText(page, "w1Data1", QStringLiteral("54696C76616E652064656D6F20210000"));
    Click(page, "w1Write");
    Click(page, "w1Read");
    SetText(page, "w2Key", key);
    Click(page, "w2Read");
}

void WorkUltralightPage(QWidget *page) {
    Click(page, "searchCard");
    Click(page, "readCard");
}

// The card ships with the password 00 x 8.
void WorkAt88rf020Page(QWidget *page) {
    Click(page, "searchCard");
    SetText(page, "password", QStringLiteral("0000000000000000"));
    Click(page, "check");
    Click(page, "readCard");
}

void WorkSr176Page(QWidget *page) {
    Click(page, "searchCard");
    Click(page, "readCard");
}

// A reset, then a challenge and a file read whose answer is longer than the list.
void WorkIso14443Page(QWidget *page) {
    Click(page, "reset");
    for (const char *command : {"0084000008", "00A4040009F054494C56414E450100"}) {
        SetText(page, "cosCommand", QString::fromLatin1(command));
        Click(page, "send");
    }
}

// Triple DES of two blocks, then the SAM reset and its application selected.
void WorkSamPage(QWidget *page) {
    SetText(page, "key", QStringLiteral("0123456789ABCDEF"));
    SetText(page, "key2", QStringLiteral("FEDCBA9876543210"));
    SetText(page, "data", QStringLiteral("54696C76616E652053414D2064656D6F"));
    Click(page, "encrypt");
    Click(page, "reset");
    SetText(page, "cosCommand", QStringLiteral("00A4040008F054494C5653414D"));
    Click(page, "send");
}

// The ISO 15693 tag's system information and all its blocks.
void WorkIso15693Page(QWidget *page) {
    Click(page, "getInformation");
    Click(page, "read");
}

// The SRIX4K card found, its UID and all its blocks.
void WorkSrix4kPage(QWidget *page) {
    Click(page, "searchCard");
    Click(page, "readUid");
    Click(page, "readCard");
}

// What to do on each family's page before its picture, with a card there.
void WorkPage(int family, QWidget *page) {
    switch (family) {
        case tilvane::kUltralight:
            WorkUltralightPage(page);
            break;
        case tilvane::kMifareStd:
            WorkMifarePage(page);
            break;
        case tilvane::kAt88rf020:
            WorkAt88rf020Page(page);
            break;
        case tilvane::kSr176:
            WorkSr176Page(page);
            break;
        case tilvane::kSrix4k:
            WorkSrix4kPage(page);
            break;
        case tilvane::kIso15693:
            WorkIso15693Page(page);
            break;
        case tilvane::kMifarePro:
            WorkIso14443Page(page);
            break;
        case tilvane::kSam:
            WorkSamPage(page);
            break;
        default:
            break;
    }
}

// Runs the event loop until the window's card work has ended; false after a
// minute without.
bool AwaitCardWork(tilvane::WorkbenchWindow &window) {
    QElapsedTimer timer;
    timer.start();
    while (window.card_panel()->working()) {
        if (timer.elapsed() > 60000) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool Grab(QWidget &window, const QDir &out, const char *name) {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const QString file = out.filePath(QString::fromLatin1(name));
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "tilvane-screenshots: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// The card read once as it is, sector 1 written (a text, a purse, new keys and
// access bits), the card read again and shown decoded, then compared with the
// first read.
bool SaveWorkbenchPictures(tilvane::AppState &state, const QDir &out, int width, int height) {
    QTemporaryDir files;
    const tilvane::WorkbenchOptions options{files.filePath("keys").toStdString()};
    tilvane::WorkbenchWindow window(state, options);
    window.resize(width, height);
    window.show();
    tilvane::CardPanel &card = *window.card_panel();
    card.ReadCard();
    if (!AwaitCardWork(window) || !window.document().has_dump()) return false;
    // JSON keeps the card's ATQA and SAK too, so the save asks nothing.
    const QString before = files.filePath(QStringLiteral("card-before.json"));
    if (!window.SaveTo(before, cardkit::DumpFormat::Json)) return false;

    tilvane::DumpDocument &document = window.document();
    const std::string text = "Tilvane workbench";
    document.SetBlock(4, std::vector<std::uint8_t>(text.begin(), text.begin() + 16));
    const auto purse = cardkit::encode_value_block({1500, 5});
    document.SetBlock(5, std::vector<std::uint8_t>(purse.begin(), purse.end()));
    // Block 5 a purse that key A only decrements; the trailer's keys written by key B.
    document.SetBlock(7, {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0, 0, 0, 0x69, 0xB0, 0xB1, 0xB2, 0xB3,
                          0xB4, 0xB5});
    document.SetAccessBits(1, cardkit::AccessBits{{0, 6, 0, 3}});
    window.findChild<QCheckBox *>(QStringLiteral("includeTrailers"))->setChecked(true);
    card.WriteCard();
    if (!AwaitCardWork(window)) return false;
    document.MarkSaved(files.filePath(QStringLiteral("written.mct")), cardkit::DumpFormat::Mct);
    card.ReadCard();
    if (!AwaitCardWork(window)) return false;

    window.tabs()->setCurrentWidget(window.dump_panel());
    window.dump_panel()->SelectBlock(5);
    if (!Grab(window, out, "tilvane-workbench-decoded.png")) return false;

    window.tabs()->setCurrentWidget(window.compare_panel());
    if (!window.compare_panel()->CompareWith(before)) return false;
    window.compare_panel()->NextDifference();
    window.compare_panel()->NextDifference();
    return Grab(window, out, "tilvane-workbench-compare.png");
}


// The exchange log of a search and a read of window 1 on the Mifare Classic
// page, whose key shows masked.
bool SaveExchangeLog(tilvane::CMainFrame &frame, const QDir &out) {
    frame.ChooseFamily(tilvane::kMifareStd);
    frame.OpenExchangeLog();
    tilvane::ExchangeLogWindow &log = *frame.exchange_log();
    log.model()->Clear();
    log.resize(1320, 350);
    QWidget *page = frame.view()->page();
    Click(page, "searchCard");
    SetText(page, "w1Key", QStringLiteral("FFFFFFFFFFFF"));
    Choose(page, "w1Sector", 1);
    Click(page, "w1Read");
    const bool saved = Grab(log, out, "tilvane-exchange-log.png");
    log.close();
    return saved;
}

}  // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"library", "The reader library to bind.", "path"});
    parser.addOption({"out", "Where the pictures go.", "directory", "."});
    parser.addOption(
        {"width", "Window width (also the screen width pages see).", "pixels", "1280"});
    parser.addOption({"height", "Window height.", "pixels", "860"});
    parser.addOption({"pages", "Only these pages (objectNames, comma-separated).", "names"});
    parser.addOption({"workbench", "Pictures of the card workbench instead of the pages."});
    parser.process(app);

    // Settings, history files and message boxes of this run stay out of the
    // user's way.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    tilvane::SetAppDataDirectory(settings.path());
    tilvane::SetMessageBoxHook([](const tilvane::MessageBoxRequest &request) {
        std::fprintf(stderr, "tilvane-screenshots: %s: %s\n", qPrintable(request.caption),
                     qPrintable(request.text));
        // The workbench's questions before a write are answered yes.
        return request.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });

    tilvane::ReaderLibrary library;
    const QString path =
        parser.isSet("library") ? parser.value("library") : tilvane::ReaderLibrary::DefaultPath();
    if (!library.Load(path)) {
        std::fprintf(stderr, "tilvane-screenshots: cannot bind %s\n", qPrintable(path));
        return 1;
    }
    const int width = parser.value("width").toInt();
    const int height = parser.value("height").toInt();
    const QDir out(parser.value("out"));
    const QStringList wanted = parser.value("pages").split(u',', Qt::SkipEmptyParts);
    QDir().mkpath(out.path());

    tilvane::AppState state;
    state.api = library.api();
    state.com_port = 1;
    state.baud_rate = 0;
    state.card_family = tilvane::kMifareStd;
    if (parser.isSet("workbench")) {
        if (state.OpenPort() != 0 || !SaveWorkbenchPictures(state, out, width, height)) {
            std::fprintf(stderr,
                         "tilvane-screenshots: the workbench pictures need a Mifare Classic 1K "
                         "card on port 1\n");
            return 1;
        }
        state.ClosePort();
        return 0;
    }

    tilvane::CMainFrame frame(state, tilvane::CardPageFactory(state), [width] { return width; });
    frame.resize(width, height);
    frame.show();

    int saved = 0;
    for (int family = 0; family < tilvane::kCardFamilyCount; ++family) {
        frame.ChooseFamily(family);
        QWidget *page = frame.view()->page();
        const QString name =
            QString::fromLatin1(tilvane::kCardFamilies[static_cast<std::size_t>(family)].page_name);
        // Only the families whose page is built: the others have a bare widget.
        if (qobject_cast<tilvane::CardPage *>(page) == nullptr) continue;
        if (!wanted.isEmpty() && !wanted.contains(name)) continue;
        if (state.connected()) WorkPage(family, page);
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        const QString file = out.filePath(QStringLiteral("tilvane-%1.png").arg(name));
        if (!frame.grab().save(file)) {
            std::fprintf(stderr, "tilvane-screenshots: cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
        ++saved;
    }
    if (state.connected() && (wanted.isEmpty() || wanted.contains(QStringLiteral("ExchangeLog")))) {
        if (!SaveExchangeLog(frame, out)) return 1;
        ++saved;
    }
    frame.close();
    return saved > 0 ? 0 : 1;
}
