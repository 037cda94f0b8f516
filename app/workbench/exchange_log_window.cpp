#include "workbench/exchange_log_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "common/accessible_caption.h"
#include "common/app_state.h"
#include "common/logged_api.h"
#include "common/message_box.h"
#include "workbench/exchange_log_model.h"

namespace tilvane {

namespace {

// The texts the columns are first made wide enough for (the last one stretches).
constexpr std::array<const char *, ExchangeLogModel::kColumnCount> kColumnSamples = {
    "00:00:00.000",
    "Duration (ms)",
    "rf_M1_authentication2",
    "address=0, auth_code=96, block=4, key=******",
    "Result",
    "reader status 02: no card",
    "data=00112233445566778899AABBCCDDEEFF, length=16",
};
// Room around a cell's text.
constexpr int kCellPadding = 16;

// How often the count of held calls is brought up to date while paused.
constexpr int kHeldRefreshMs = 250;

QString AskForFile(QWidget *parent) {
    const QString text_files = QStringLiteral("Text files (*.txt)");
    const QString csv_files = QStringLiteral("CSV files (*.csv)");
    QString chosen_filter = text_files;
    QString path = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Save Exchange Log"), QStringLiteral("exchange-log.txt"),
        text_files + QStringLiteral(";;") + csv_files, &chosen_filter);
    // A bare name takes the extension of the kind chosen.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += chosen_filter == csv_files ? QStringLiteral(".csv") : QStringLiteral(".txt");
    }
    return path;
}

}  // namespace

ExchangeLogWindow::ExchangeLogWindow(AppState &state, QWidget *parent)
    : QWidget(parent, Qt::Window),
      state_(state),
      log_(std::make_shared<ExchangeLog>()),
      choose_file_(AskForFile) {
    setObjectName(QStringLiteral("exchangeLog"));
    setWindowTitle(QStringLiteral("Exchange Log"));
    model_ = new ExchangeLogModel(log_, this);
    shown_ = new QSortFilterProxyModel(this);
    shown_->setSourceModel(model_);
    shown_->setFilterKeyColumn(-1);
    shown_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(BuildFilterRow());
    layout->addWidget(BuildTable(), 1);
    layout->addWidget(BuildButtonRow());
    setTabOrder(filter_, show_keys_);
    setTabOrder(show_keys_, table_);
    setTabOrder(table_, pause_);
    setTabOrder(pause_, clear_);
    setTabOrder(clear_, copy_);
    setTabOrder(copy_, save_);

    held_timer_ = new QTimer(this);
    held_timer_->setInterval(kHeldRefreshMs);
    connect(held_timer_, &QTimer::timeout, this, &ExchangeLogWindow::UpdateCount);

    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, filter_, [this] {
        filter_->setFocus(Qt::ShortcutFocusReason);
        filter_->selectAll();
    });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    resize(960, 540);
    UpdateCount();
}

ExchangeLogWindow::~ExchangeLogWindow() { StopLogging(); }

QWidget *ExchangeLogWindow::BuildFilterRow() {
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    filter_ = new QLineEdit(row);
    filter_->setObjectName(QStringLiteral("filter"));
    filter_->setClearButtonEnabled(true);
    filter_->setPlaceholderText(QStringLiteral("text in any column"));
    show_keys_ = new QCheckBox(QStringLiteral("Show &keys"), row);
    show_keys_->setObjectName(QStringLiteral("showKeys"));
    layout->addWidget(CaptionLabel(QStringLiteral("&Filter:"), filter_, row));
    layout->addWidget(filter_, 1);
    layout->addWidget(show_keys_);

    connect(filter_, &QLineEdit::textChanged, shown_, &QSortFilterProxyModel::setFilterFixedString);
    connect(show_keys_, &QCheckBox::toggled, model_, &ExchangeLogModel::SetShowKeys);
    return row;
}

QWidget *ExchangeLogWindow::BuildTable() {
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("calls"));
    table_->setAccessibleName(QStringLiteral("Calls"));
    table_->setModel(shown_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideRight);
    table_->verticalHeader()->hide();
    // Rows of one height: the view need not measure 10,000 of them.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < ExchangeLogModel::kColumnCount; ++column) {
        const QString sample =
            QString::fromLatin1(kColumnSamples[static_cast<std::size_t>(column)]);
        table_->setColumnWidth(column, fontMetrics().horizontalAdvance(sample) + kCellPadding);
    }

    // The list follows the newest call while it is scrolled to the end.
    connect(shown_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar *bar = table_->verticalScrollBar();
        follow_newest_ = bar->value() == bar->maximum();
    });
    connect(shown_, &QAbstractItemModel::rowsInserted, this, [this] {
        if (follow_newest_) table_->scrollToBottom();
        UpdateCount();
    });
    connect(shown_, &QAbstractItemModel::rowsRemoved, this, &ExchangeLogWindow::UpdateCount);
    connect(shown_, &QAbstractItemModel::modelReset, this, &ExchangeLogWindow::UpdateCount);
    connect(shown_, &QAbstractItemModel::layoutChanged, this, &ExchangeLogWindow::UpdateCount);

    // Ctrl+C on the list copies whole rows, not the current cell.
    auto *copy = new QShortcut(QKeySequence::Copy, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, &ExchangeLogWindow::CopySelection);
    return table_;
}

QWidget *ExchangeLogWindow::BuildButtonRow() {
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto button = [row, layout](const char *caption, const char *name) {
        auto *created = new QPushButton(QString::fromLatin1(caption), row);
        created->setObjectName(QString::fromLatin1(name));
        created->setAutoDefault(false);
        layout->addWidget(created);
        return created;
    };
    pause_ = button("&Pause", "pause");
    pause_->setCheckable(true);
    clear_ = button("C&lear", "clear");
    copy_ = button("&Copy", "copy");
    save_ = button("&Save...", "save");
    count_ = new QLabel(row);
    count_->setObjectName(QStringLiteral("count"));
    layout->addStretch(1);
    layout->addWidget(count_);

    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        model_->SetPaused(paused);
        if (paused) {
            held_timer_->start();
        } else {
            held_timer_->stop();
        }
        UpdateCount();
    });
    connect(clear_, &QPushButton::clicked, model_, &ExchangeLogModel::Clear);
    connect(copy_, &QPushButton::clicked, this, &ExchangeLogWindow::CopySelection);
    connect(save_, &QPushButton::clicked, this, &ExchangeLogWindow::Save);
    return row;
}

void ExchangeLogWindow::Open() {
    if (!opened_) {
        // First shown: no larger than the screen leaves room for (640x480 too).
        opened_ = true;
        if (const QScreen *where = screen()) {
            const QSize room = where->availableGeometry().size();
            resize(std::min(width(), room.width()), std::min(height(), room.height()));
        }
    }
    show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void ExchangeLogWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    StartLogging();
}

void ExchangeLogWindow::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    // A minimized window is hidden by the system, and still open.
    if (!event->spontaneous()) StopLogging();
}

void ExchangeLogWindow::StartLogging() {
    if (logging_) return;
    try {
        logging_ = std::make_unique<ExchangeLogging>(state_, log_);
        refused_ = false;
    } catch (const std::logic_error &) {
        // Another window of the process logs the library's calls already.
        refused_ = true;
    }
    UpdateCount();
}

void ExchangeLogWindow::StopLogging() { logging_.reset(); }

void ExchangeLogWindow::UpdateCount() {
    const int shown = shown_->rowCount();
    const int all = model_->rowCount();
    const QString calls = all == 1 ? QStringLiteral("call") : QStringLiteral("calls");
    QString text = shown == all ? QStringLiteral("%1 %2").arg(all).arg(calls)
                                : QStringLiteral("%1 of %2 %3").arg(shown).arg(all).arg(calls);
    if (model_->paused()) {
        text = QStringLiteral("Paused, %1 held; ").arg(log_->waiting()) + text;
    }
    if (refused_) text = QStringLiteral("Another exchange log is open: no calls logged here");
    count_->setText(text);
}

void ExchangeLogWindow::CopySelection() {
    QList<int> rows;
    for (const QModelIndex &index : table_->selectionModel()->selectedRows()) rows << index.row();
    if (rows.isEmpty()) return;
    std::sort(rows.begin(), rows.end());
    QApplication::clipboard()->setText(TabSeparatedRows(*shown_, rows));
}

void ExchangeLogWindow::Save() {
    const QString path = choose_file_ ? choose_file_(this) : QString();
    if (path.isEmpty()) return;
    SaveTo(path, LogFormatOfFileName(path));
}

bool ExchangeLogWindow::SaveTo(const QString &path, LogFileFormat format) {
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QByteArray bytes = LogFileContents(*shown_, format).toUtf8();
        written = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!written) {
        ShowInputError(this, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    }
    return written;
}

}  // namespace tilvane
