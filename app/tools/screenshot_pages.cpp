// Saves a picture of the main window with each page that is built, offscreen.
// With a reader on port 1 (for example reader-sim) each page is shown after a
// search and a read of its card. "ExchangeLog" among the pages (or no --pages)
// adds the exchange log's window after a search and a read on the Mifare
// Classic page.
//
//   tilvane-screenshots --library DIR/libDrovik.so --out DIR [--width W --height H]
//                       [--pages UltralightPage,At88rf020Page,...,ExchangeLog]

#include <QApplication>
#include <QComboBox>
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
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const QString file = out.filePath(QStringLiteral("tilvane-exchange-log.png"));
    if (!log.grab().save(file)) {
        std::fprintf(stderr, "tilvane-screenshots: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    log.close();
    return true;
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
    parser.process(app);

    // Settings, history files and message boxes of this run stay out of the
    // user's way.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    tilvane::SetAppDataDirectory(settings.path());
    tilvane::SetMessageBoxHook([](const tilvane::MessageBoxRequest &request) {
        std::fprintf(stderr, "tilvane-screenshots: %s: %s\n", qPrintable(request.caption),
                     qPrintable(request.text));
        return QMessageBox::Ok;
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
