#include "workbench/compare_panel.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>

#include "common/accessible_caption.h"
#include "workbench/dump_compare.h"
#include "workbench/dump_document.h"
#include "workbench/dump_files.h"
#include "workbench/file_choice.h"
#include "workbench/hex_bytes_delegate.h"

namespace tilvane {

namespace {

constexpr int kCardNoteRole = Qt::UserRole + 20;

QPushButton *Button(const QString &caption, const char *name, QWidget *parent) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

ComparePanel::ComparePanel(DumpDocument &document, QWidget *parent)
    : QWidget(parent), document_(document), model_(new CompareTableModel(document, this)) {
    setObjectName(QStringLiteral("comparePanel"));
    auto *layout = new QGridLayout(this);

    auto *top = new QHBoxLayout;
    open_ = Button(QStringLiteral("&Open Second Dump..."), "openSecondDump", this);
    other_name_ = new QLabel(QStringLiteral("No second dump"), this);
    other_name_->setObjectName(QStringLiteral("secondDumpName"));
    top->addWidget(open_);
    top->addWidget(other_name_, 1);
    layout->addLayout(top, 0, 0, 1, 2);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("compareTable"));
    table_->setModel(model_);
    SetUpBlockTable(*table_, {CompareTableModel::kMineColumn, CompareTableModel::kOtherColumn});
    layout->addWidget(CaptionLabel(QStringLiteral("Side by side"), table_, this), 1, 0, 1, 2);
    layout->addWidget(table_, 2, 0, 1, 2);

    differences_ = new QListWidget(this);
    differences_->setObjectName(QStringLiteral("differenceList"));
    layout->addWidget(CaptionLabel(QStringLiteral("&Differences"), differences_, this), 3, 0, 1, 2);
    layout->addWidget(differences_, 4, 0, 1, 2);

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("compareSummary"));
    auto *buttons = new QHBoxLayout;
    previous_ = Button(QStringLiteral("&Previous Difference"), "previousDifference", this);
    next_ = Button(QStringLiteral("&Next Difference"), "nextDifference", this);
    buttons->addWidget(summary_, 1);
    buttons->addWidget(previous_);
    buttons->addWidget(next_);
    layout->addLayout(buttons, 5, 0, 1, 2);
    layout->setRowStretch(2, 2);
    layout->setRowStretch(4, 1);

    connect(open_, &QPushButton::clicked, this, &ComparePanel::ChooseOther);
    connect(previous_, &QPushButton::clicked, this, &ComparePanel::PreviousDifference);
    connect(next_, &QPushButton::clicked, this, &ComparePanel::NextDifference);
    connect(model_, &CompareTableModel::refreshed, this, &ComparePanel::Refreshed);
    connect(differences_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        const QVariant block = differences_->item(row)->data(Qt::UserRole);
        if (block.isValid()) Choose(block.toInt());
    });
    Refreshed();
}

int ComparePanel::current_block() const {
    const QModelIndex current = table_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ComparePanel::ChooseOther() {
    const FileChoice choice =
        ChooseFile({this, QStringLiteral("Open Second Dump"), OpenFilters(), QString(),
                    QFileInfo(document_.file_path()).path(), false});
    if (!choice.path.isEmpty()) CompareWith(choice.path);
}

bool ComparePanel::CompareWith(const QString &path) {
    QString error;
    const std::optional<LoadedDump> loaded = LoadDumpFile(path, error);
    if (!loaded || !model_->SetOther(loaded->dump, QFileInfo(path).fileName(), error)) {
        emit outcome(StatusBand::Mark::Error, error);
        return false;
    }
    const DumpComparison &comparison = model_->comparison();
    emit outcome(StatusBand::Mark::Success,
                 QStringLiteral("Compared with %1: %2 differing blocks; %3")
                     .arg(QFileInfo(path).fileName())
                     .arg(comparison.differences().size())
                     .arg(comparison.summary()));
    return true;
}

void ComparePanel::Refreshed() {
    const bool comparing = model_->comparing();
    const int chosen = current_block();
    differences_->clear();
    previous_->setEnabled(comparing);
    next_->setEnabled(comparing);
    if (!comparing) {
        other_name_->setText(model_->problem().isEmpty()
                                 ? QStringLiteral("No second dump")
                                 : QStringLiteral("Cannot compare: %1").arg(model_->problem()));
        summary_->clear();
        return;
    }
    const DumpComparison &comparison = model_->comparison();
    other_name_->setText(QStringLiteral("Compared with %1").arg(model_->other_name()));
    for (const QString &note : comparison.card_notes()) {
        auto *item = new QListWidgetItem(QStringLiteral("card: %1").arg(note), differences_);
        item->setData(kCardNoteRole, true);
    }
    for (const DumpComparison::Difference &difference : comparison.differences()) {
        auto *item = new QListWidgetItem(difference.text, differences_);
        item->setData(Qt::UserRole, difference.block);
    }
    summary_->setText(comparison.summary());
    summary_->setAccessibleName(comparison.summary());
    table_->resizeColumnsToContents();
    if (chosen >= 0 && chosen < model_->rowCount()) {
        table_->setCurrentIndex(model_->index(chosen, 0));
    }
}

void ComparePanel::Choose(int block) {
    if (block < 0 || block >= model_->rowCount()) return;
    const QModelIndex index = model_->index(block, 0);
    table_->setCurrentIndex(index);
    table_->scrollTo(index);
    for (int row = 0; row < differences_->count(); ++row) {
        if (differences_->item(row)->data(Qt::UserRole).toInt() == block &&
            differences_->item(row)->data(Qt::UserRole).isValid()) {
            const QSignalBlocker blocker(differences_);
            differences_->setCurrentRow(row);
            break;
        }
    }
}

void ComparePanel::NextDifference() {
    if (!model_->comparing()) return;
    const int from = current_block();
    if (const auto next = model_->comparison().Next(from)) {
        Choose(*next);
        emit outcome(StatusBand::Mark::Success, model_->comparison().DifferenceAt(*next)->text);
    } else {
        emit outcome(StatusBand::Mark::Error,
                     from < 0 ? QStringLiteral("The dumps do not differ")
                              : QStringLiteral("No difference after block %1").arg(from));
    }
}

void ComparePanel::PreviousDifference() {
    if (!model_->comparing()) return;
    const int from = current_block() < 0 ? model_->rowCount() : current_block();
    if (const auto previous = model_->comparison().Previous(from)) {
        Choose(*previous);
        emit outcome(StatusBand::Mark::Success, model_->comparison().DifferenceAt(*previous)->text);
    } else {
        emit outcome(StatusBand::Mark::Error,
                     QStringLiteral("No difference before block %1").arg(from));
    }
}

}  // namespace tilvane
