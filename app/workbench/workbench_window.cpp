#include "workbench/workbench_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "common/app_state.h"
#include "common/message_box.h"
#include "workbench/block_meaning.h"
#include "workbench/card_panel.h"
#include "workbench/compare_panel.h"
#include "workbench/dump_document.h"
#include "workbench/dump_files.h"
#include "workbench/dump_panel.h"
#include "workbench/file_choice.h"

namespace tilvane {

namespace {

constexpr auto kTitle = "Card Workbench";

}  // namespace

WorkbenchWindow::WorkbenchWindow(AppState &state, WorkbenchOptions options, QWidget *parent)
    : QMainWindow(parent), state_(state), document_(new DumpDocument(this)) {
    setObjectName(QStringLiteral("workbenchWindow"));
    setWindowFlag(Qt::Window);
    setAccessibleName(QString::fromLatin1(kTitle));

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->addWidget(BuildHeader());
    tabs_ = new QTabWidget(content);
    tabs_->setObjectName(QStringLiteral("workbenchTabs"));
    dump_panel_ = new DumpPanel(*document_, tabs_);
    compare_panel_ = new ComparePanel(*document_, tabs_);
    card_panel_ = new CardPanel(state_, *document_, std::move(options), tabs_);
    tabs_->addTab(dump_panel_, QStringLiteral("&Dump"));
    tabs_->addTab(compare_panel_, QStringLiteral("C&ompare"));
    tabs_->addTab(card_panel_, QStringLiteral("C&ard"));
    layout->addWidget(tabs_, 1);

    // The whole content scrolls where the window is smaller than it (a 640x480
    // screen).
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("workbenchScroll"));
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    setCentralWidget(scroll);

    band_ = new StatusBand(this);
    band_->setObjectName(QStringLiteral("workbenchStatus"));
    statusBar()->addWidget(band_, 1);
    statusBar()->setSizeGripEnabled(true);

    BuildMenus();
    connect(dump_panel_, &DumpPanel::outcome, this, &WorkbenchWindow::ShowOutcome);
    connect(compare_panel_, &ComparePanel::outcome, this, &WorkbenchWindow::ShowOutcome);
    connect(card_panel_, &CardPanel::outcome, this, &WorkbenchWindow::ShowOutcome);
    connect(document_, &DumpDocument::modified_changed, this, &WorkbenchWindow::UpdateTitle);
    connect(document_, &DumpDocument::replaced, this, [this] {
        UpdateTitle();
        UpdateHeader();
    });
    connect(document_, &DumpDocument::block_changed, this, &WorkbenchWindow::UpdateHeader);
    UpdateTitle();
    UpdateHeader();
    resize(1000, 720);
}

WorkbenchWindow::~WorkbenchWindow() {
    // The panels and their models refer to the document: they go first.
    delete takeCentralWidget();
}

QWidget *WorkbenchWindow::BuildHeader() {
    auto *header = new QWidget(this);
    auto *layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    summary_ = new QLabel(header);
    summary_->setObjectName(QStringLiteral("cardSummary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    partial_ = new QLabel(header);
    partial_->setObjectName(QStringLiteral("partialNote"));
    partial_->setWordWrap(true);
    QPalette palette = partial_->palette();
    palette.setColor(QPalette::WindowText, QColor(0xA0, 0x20, 0x20));
    partial_->setPalette(palette);
    layout->addWidget(summary_);
    layout->addWidget(partial_);
    return header;
}

void WorkbenchWindow::BuildMenus() {
    const auto add = [this](QMenu *menu, const QString &text, const char *name,
                            const QKeySequence &shortcut, auto slot) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty()) action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, QStringLiteral("&Open Dump..."), "actionOpen", QKeySequence::Open,
        [this] { Open(); });
    add(file, QStringLiteral("&Save"), "actionSave", QKeySequence::Save, [this] { Save(); });
    add(file, QStringLiteral("Save &As..."), "actionSaveAs", QKeySequence::SaveAs,
        [this] { SaveAs(); });
    file->addSeparator();
    add(file, QStringLiteral("&Close"), "actionClose", QKeySequence::Close, [this] { close(); });

    QMenu *card = menuBar()->addMenu(QStringLiteral("&Card"));
    add(card, QStringLiteral("&Read Card"), "actionRead", QKeySequence(Qt::CTRL | Qt::Key_R),
        [this] { card_panel_->ReadCard(); });
    add(card, QStringLiteral("&Write Card..."), "actionWrite",
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), [this] { card_panel_->WriteCard(); });
    add(card, QStringLiteral("&Cancel"), "actionCancel", QKeySequence(Qt::Key_Escape),
        [this] { card_panel_->CancelWork(); });

    QMenu *compare = menuBar()->addMenu(QStringLiteral("C&ompare"));
    add(compare, QStringLiteral("&Compare With..."), "actionCompare",
        QKeySequence(Qt::CTRL | Qt::Key_D), [this] {
            tabs_->setCurrentWidget(compare_panel_);
            compare_panel_->ChooseOther();
        });
    add(compare, QStringLiteral("&Next Difference"), "actionNextDifference",
        QKeySequence(Qt::Key_F3), [this] {
            tabs_->setCurrentWidget(compare_panel_);
            compare_panel_->NextDifference();
        });
    add(compare, QStringLiteral("&Previous Difference"), "actionPreviousDifference",
        QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] {
            tabs_->setCurrentWidget(compare_panel_);
            compare_panel_->PreviousDifference();
        });
}

QAction *WorkbenchWindow::action(const QString &name) const { return findChild<QAction *>(name); }

void WorkbenchWindow::ShowOutcome(StatusBand::Mark mark, const QString &text) {
    band_->Show(mark, text);
}

void WorkbenchWindow::UpdateTitle() {
    setWindowTitle(
        QStringLiteral("%1[*] - %2").arg(document_->display_name(), QString::fromLatin1(kTitle)));
    setWindowModified(document_->modified());
    if (QAction *save = action(QStringLiteral("actionSave")))
        save->setEnabled(document_->has_dump());
    if (QAction *save_as = action(QStringLiteral("actionSaveAs"))) {
        save_as->setEnabled(document_->has_dump());
    }
}

void WorkbenchWindow::UpdateHeader() {
    summary_->setText(document_->has_dump()
                          ? CardSummary(document_->dump())
                          : QStringLiteral("No dump: open a dump file or read a card (Card tab)."));
    partial_->setText(document_->partial_note());
    partial_->setVisible(!document_->partial_note().isEmpty());
}

bool WorkbenchWindow::MayDiscard(const QString &question) {
    if (!document_->has_dump() || !document_->modified()) return true;
    const QMessageBox::StandardButton answer = ShowMessageBox(
        {this, question.arg(document_->display_name()), QStringLiteral("Card Workbench"),
         QMessageBox::Warning, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
         QMessageBox::Save});
    if (answer == QMessageBox::Save) return Save();
    return answer == QMessageBox::Discard;
}

void WorkbenchWindow::Open() {
    const FileChoice choice =
        ChooseFile({this, QStringLiteral("Open Dump"), OpenFilters(), QString(),
                    QFileInfo(document_->file_path()).path(), false});
    if (!choice.path.isEmpty()) OpenFile(choice.path);
}

bool WorkbenchWindow::OpenFile(const QString &path) {
    if (card_panel_->working()) {
        ShowOutcome(StatusBand::Mark::Error,
                    QStringLiteral("Card work is under way: open the file when it has ended"));
        return false;
    }
    if (!MayDiscard(QStringLiteral("%1 has changes that are not saved. Save them before "
                                   "opening another dump?"))) {
        return false;
    }
    QString error;
    std::optional<LoadedDump> loaded = LoadDumpFile(path, error);
    if (!loaded) {
        ShowOutcome(StatusBand::Mark::Error, error);
        return false;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    document_->Load(std::move(loaded->dump), absolute, loaded->format);
    tabs_->setCurrentWidget(dump_panel_);
    ShowOutcome(StatusBand::Mark::Success,
                QStringLiteral("Opened %1 (%2)")
                    .arg(QFileInfo(path).fileName(),
                         QString::fromStdString(document_->dump().description())));
    emit file_used(absolute);
    return true;
}

bool WorkbenchWindow::Save() {
    if (!document_->has_dump()) return false;
    if (document_->file_path().isEmpty() || !document_->file_format()) return SaveAs();
    return SaveTo(document_->file_path(), *document_->file_format());
}

bool WorkbenchWindow::SaveAs() {
    if (!document_->has_dump()) return false;
    const cardkit::CardFamily family = document_->dump().family();
    const std::vector<cardkit::DumpFormat> formats = FormatsFor(family);
    const cardkit::DumpFormat current =
        document_->file_format() && std::find(formats.begin(), formats.end(),
                                              *document_->file_format()) != formats.end()
            ? *document_->file_format()
            : formats.front();
    const FileChoice choice = ChooseFile({this, QStringLiteral("Save Dump As"), SaveFilters(family),
                                          FormatFilter(current), document_->file_path(), true});
    if (choice.path.isEmpty()) return false;
    QString path = choice.path;
    std::optional<cardkit::DumpFormat> format = FormatOfFileName(path);
    if (!format) {
        // No extension that names a format: the filter chosen names it.
        format = FormatOfFilter(choice.filter).value_or(current);
        path += QStringLiteral(".") + DefaultSuffix(*format);
    }
    return SaveTo(path, *format);
}

bool WorkbenchWindow::SaveTo(const QString &path, cardkit::DumpFormat format) {
    if (!document_->has_dump()) return false;
    QString error;
    const std::optional<PreparedSave> prepared = PrepareSave(document_->dump(), format, error);
    if (!prepared) {
        ShowOutcome(StatusBand::Mark::Error, error);
        return false;
    }
    if (!prepared->warnings.isEmpty()) {
        const QString text =
            QStringLiteral(
                "A %1 file does not keep everything this dump holds:\n\n- %2\n\nSave "
                "%3 anyway?")
                .arg(QString::fromStdString(std::string(cardkit::format_name(format))),
                     prepared->warnings.join(QStringLiteral("\n- ")), QFileInfo(path).fileName());
        if (ShowMessageBox({this, text, QStringLiteral("Card Workbench"), QMessageBox::Warning,
                            QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel}) !=
            QMessageBox::Save) {
            ShowOutcome(StatusBand::Mark::Error, QStringLiteral("Not saved"));
            return false;
        }
    }
    if (!WriteDumpFile(path, prepared->content, error)) {
        ShowOutcome(StatusBand::Mark::Error, error);
        return false;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    document_->MarkSaved(absolute, format);
    UpdateTitle();
    ShowOutcome(StatusBand::Mark::Success,
                QStringLiteral("Saved to %1%2")
                    .arg(QFileInfo(path).fileName(),
                         prepared->warnings.isEmpty()
                             ? QString()
                             : QStringLiteral(" (without: %1)")
                                   .arg(prepared->warnings.join(QStringLiteral("; ")))));
    emit file_used(absolute);
    return true;
}

void WorkbenchWindow::closeEvent(QCloseEvent *event) {
    // Work on the card stops within one exchange; what it read is kept, and so
    // counts as unsaved.
    card_panel_->StopAndFinish();
    if (!MayDiscard(QStringLiteral("%1 has changes that are not saved. Save them before "
                                   "closing?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace tilvane
