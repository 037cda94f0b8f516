#pragma once

// Comparing the window's dump with a second one: the differences in words as
// cardkit's diff says them ("sector 1, block 4: value 100 -> 95"), which bytes
// of each block differ, the next and previous differing block from any block,
// and a side-by-side table model (this dump, the other, what differs) that
// follows the window's dump as it is edited.

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "cardkit/dump.h"

namespace tilvane {

class DumpDocument;

class DumpComparison {
public:
    struct Difference {
        int block;
        QString text;  // "sector 1, block 4: value 100 -> 95"
    };

    // nullopt with `why` set for dumps that cannot be compared (another family).
    static std::optional<DumpComparison> Compare(const cardkit::CardDump &mine,
                                                 const cardkit::CardDump &other, QString &why);

    // Differences of the whole card: size, UID, ATQA, SAK, system block.
    const QStringList &card_notes() const { return card_notes_; }
    // One a differing block, in block order.
    const std::vector<Difference> &differences() const { return differences_; }
    // "62 of 64 blocks equal (96.9%)".
    const QString &summary() const { return summary_; }
    // The blocks of the larger dump.
    int block_count() const { return block_count_; }

    // The difference of a block, nullptr when it is the same in both.
    const Difference *DifferenceAt(int block) const;
    // One flag a byte of the block: its value or whether it is known differs. A
    // block that only one dump has differs in every byte.
    std::vector<bool> DifferingBytes(int block) const;
    // The first differing block after `block` (before it), nullopt when there is
    // none; -1 starts from the first block, block_count() from the last.
    std::optional<int> Next(int block) const;
    std::optional<int> Previous(int block) const;

private:
    DumpComparison(const cardkit::CardDump &mine, const cardkit::CardDump &other);

    cardkit::CardDump mine_;
    cardkit::CardDump other_;
    QStringList card_notes_;
    std::vector<Difference> differences_;
    QString summary_;
    int block_count_ = 0;
};

// Rows: the blocks of the larger dump. Columns: the block, its bytes in the
// window's dump, in the other dump, and the difference in words ("same" when
// there is none), so that a difference reads without its colour.
class CompareTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kBlockColumn, kMineColumn, kOtherColumn, kDifferenceColumn, kColumnCount };

    explicit CompareTableModel(const DumpDocument &document, QObject *parent = nullptr);

    // Compares the window's dump with `other`; false with `why` set when they
    // cannot be compared (the comparison is then cleared).
    bool SetOther(const cardkit::CardDump &other, const QString &name, QString &why);
    void Clear();
    bool comparing() const { return comparison_.has_value(); }
    // Only while comparing().
    const DumpComparison &comparison() const { return *comparison_; }
    const QString &other_name() const { return other_name_; }
    // Why the last refresh could not compare (the window's dump changed family).
    const QString &problem() const { return problem_; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The comparison was made again (the window's dump changed) or cleared.
    void refreshed();

private:
    void Refresh();

    const DumpDocument &document_;
    std::optional<cardkit::CardDump> other_;
    QString other_name_;
    std::optional<DumpComparison> comparison_;
    QString problem_;
};

}  // namespace tilvane
