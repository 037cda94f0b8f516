#pragma once

// The comparison of the window's dump with a second dump file: both side by side
// with the differing bytes marked, the differences in words, and the next and
// previous difference from the block chosen.

#include <QWidget>

#include "common/status_band.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace tilvane {

class CompareTableModel;
class DumpDocument;

class ComparePanel : public QWidget {
    Q_OBJECT
public:
    ComparePanel(DumpDocument &document, QWidget *parent = nullptr);

    // Asks for the second dump's file and compares with it.
    void ChooseOther();
    // Compares with the dump in `path`; false, with the reason told, when it
    // cannot be read or compared.
    bool CompareWith(const QString &path);
    // Chooses the next (previous) differing block after (before) the one chosen.
    void NextDifference();
    void PreviousDifference();

    CompareTableModel *model() const { return model_; }
    QTableView *table() const { return table_; }
    QListWidget *difference_list() const { return differences_; }
    // The block chosen in the table, -1 when none.
    int current_block() const;

signals:
    void outcome(StatusBand::Mark mark, const QString &text);

private:
    void Refreshed();
    void Choose(int block);

    DumpDocument &document_;
    CompareTableModel *model_;
    QLabel *other_name_ = nullptr;
    QTableView *table_ = nullptr;
    QListWidget *differences_ = nullptr;
    QLabel *summary_ = nullptr;
    QPushButton *open_ = nullptr;
    QPushButton *previous_ = nullptr;
    QPushButton *next_ = nullptr;
};

}  // namespace tilvane
