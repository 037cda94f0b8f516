#include "workbench/dump_compare.h"

#include <QFontDatabase>

#include <algorithm>
#include <stdexcept>

#include "cardkit/dump_diff.h"
#include "workbench/block_meaning.h"
#include "workbench/dump_document.h"
#include "workbench/dump_models.h"

namespace tilvane {

namespace {

QString Text(const std::string &text) { return QString::fromStdString(text); }

// The last line of cardkit's text: the share of equal blocks.
QString ShareLine(const cardkit::DumpDiff &diff) {
    const QStringList lines =
        Text(cardkit::format_diff(diff, true)).split(u'\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.back();
}

QString BytesOrAbsent(const cardkit::CardDump &dump, int block) {
    return block < dump.block_count() ? BlockHex(dump, block) : QStringLiteral("(no such block)");
}

}  // namespace

std::optional<DumpComparison> DumpComparison::Compare(const cardkit::CardDump &mine,
                                                      const cardkit::CardDump &other,
                                                      QString &why) {
    try {
        return DumpComparison(mine, other);
    } catch (const std::invalid_argument &failure) {
        why = QString::fromUtf8(failure.what());
    }
    return std::nullopt;
}

DumpComparison::DumpComparison(const cardkit::CardDump &mine, const cardkit::CardDump &other)
    : mine_(mine), other_(other) {
    const cardkit::DumpDiff diff = cardkit::diff_dumps(mine, other);
    for (const std::string &note : diff.card_notes) card_notes_ << Text(note);
    const bool sectors = mine.family() == cardkit::CardFamily::MifareClassic;
    for (const cardkit::DiffGroup &group : diff.groups) {
        for (const cardkit::BlockDifference &difference : group.differences) {
            // The block's line as rfcard diff prints it, under its sector.
            QStringList notes;
            for (const std::string &note : difference.notes) notes << Text(note);
            const QString line = QStringLiteral("block %1: %2")
                                     .arg(difference.block)
                                     .arg(notes.join(QStringLiteral("; ")));
            differences_.push_back(
                {difference.block,
                 sectors ? Text(group.label) + QStringLiteral(", ") + line : line});
        }
    }
    summary_ = ShareLine(diff);
    block_count_ = diff.total_blocks;
}

const DumpComparison::Difference *DumpComparison::DifferenceAt(int block) const {
    const auto found = std::find_if(differences_.begin(), differences_.end(),
                                    [block](const Difference &d) { return d.block == block; });
    return found == differences_.end() ? nullptr : &*found;
}

std::vector<bool> DumpComparison::DifferingBytes(int block) const {
    const int size = mine_.block_size();
    if (block < 0 || block >= block_count_) return {};
    if (block >= mine_.block_count() || block >= other_.block_count()) {
        return std::vector<bool>(static_cast<std::size_t>(size), true);
    }
    std::vector<bool> differing(static_cast<std::size_t>(size), false);
    const cardkit::ByteView a = mine_.block(block);
    const cardkit::ByteView b = other_.block(block);
    for (int i = 0; i < size; ++i) {
        const auto at = static_cast<std::size_t>(i);
        differing[at] = mine_.byte_known(block, i) != other_.byte_known(block, i) || a[at] != b[at];
    }
    return differing;
}

std::optional<int> DumpComparison::Next(int block) const {
    for (const Difference &difference : differences_) {
        if (difference.block > block) return difference.block;
    }
    return std::nullopt;
}

std::optional<int> DumpComparison::Previous(int block) const {
    for (auto it = differences_.rbegin(); it != differences_.rend(); ++it) {
        if (it->block < block) return it->block;
    }
    return std::nullopt;
}

// --- the table ---------------------------------------------------------------

CompareTableModel::CompareTableModel(const DumpDocument &document, QObject *parent)
    : QAbstractTableModel(parent), document_(document) {
    connect(&document, &DumpDocument::replaced, this, &CompareTableModel::Refresh);
    connect(&document, &DumpDocument::block_changed, this, &CompareTableModel::Refresh);
}

bool CompareTableModel::SetOther(const cardkit::CardDump &other, const QString &name,
                                 QString &why) {
    if (!document_.has_dump()) {
        why = QStringLiteral("There is no dump in this window to compare with.");
        return false;
    }
    if (!DumpComparison::Compare(document_.dump(), other, why)) {
        Clear();
        return false;
    }
    other_ = other;
    other_name_ = name;
    Refresh();
    return true;
}

void CompareTableModel::Clear() {
    beginResetModel();
    other_.reset();
    other_name_.clear();
    comparison_.reset();
    problem_.clear();
    endResetModel();
    emit refreshed();
}

void CompareTableModel::Refresh() {
    if (!other_) return;
    beginResetModel();
    problem_.clear();
    comparison_.reset();
    if (document_.has_dump()) {
        comparison_ = DumpComparison::Compare(document_.dump(), *other_, problem_);
    }
    endResetModel();
    emit refreshed();
}

int CompareTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() || !comparison_ ? 0 : comparison_->block_count();
}

int CompareTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CompareTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    switch (section) {
        case kBlockColumn:
            return QStringLiteral("Block");
        case kMineColumn:
            return QStringLiteral("This dump");
        case kOtherColumn:
            return other_name_.isEmpty() ? QStringLiteral("Other dump") : other_name_;
        case kDifferenceColumn:
            return QStringLiteral("Difference");
        default:
            return {};
    }
}

QVariant CompareTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || !comparison_ || index.row() >= comparison_->block_count()) return {};
    const int block = index.row();
    const cardkit::CardDump &mine = document_.dump();
    const DumpComparison::Difference *difference = comparison_->DifferenceAt(block);
    const QString words = difference == nullptr ? QStringLiteral("same")
                                                : difference->text.section(QStringLiteral(": "), 1);
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kBlockColumn:
                    return block;
                case kMineColumn:
                    return BytesOrAbsent(mine, block);
                case kOtherColumn:
                    return BytesOrAbsent(*other_, block);
                default:
                    return words;
            }
        case Qt::AccessibleTextRole: {
            const QString label = BlockLabel(mine, block);
            switch (index.column()) {
                case kBlockColumn:
                    return label;
                case kMineColumn:
                    return QStringLiteral("%1 in this dump: %2")
                        .arg(label, BytesOrAbsent(mine, block));
                case kOtherColumn:
                    return QStringLiteral("%1 in %2: %3")
                        .arg(label, other_name_, BytesOrAbsent(*other_, block));
                default:
                    return difference == nullptr
                               ? QStringLiteral("%1 is the same").arg(label)
                               : QStringLiteral("%1 differs: %2").arg(label, words);
            }
        }
        case Qt::FontRole:
            if (index.column() == kMineColumn || index.column() == kOtherColumn) {
                return QFontDatabase::systemFont(QFontDatabase::FixedFont);
            }
            return {};
        case kDifferingBytesRole: {
            if (index.column() != kMineColumn && index.column() != kOtherColumn) return {};
            QVariantList flags;
            for (const bool differs : comparison_->DifferingBytes(block)) flags << differs;
            return flags;
        }
        case kBlockNumberRole:
            return block;
        default:
            return {};
    }
}

}  // namespace tilvane
