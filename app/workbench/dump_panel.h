#pragma once

// The decoded view of the window's dump and its editors: the section list, the
// chosen section's blocks (kind, marker, bytes coloured by role, meaning), the
// access conditions of the chosen block in words, the colour legend, and three
// editors that change the dump (never the card): the block's bytes in hex, a
// value block (value and address), and the sector's access bits.

#include <QWidget>

#include <memory>

#include "common/status_band.h"

class QComboBox;
class QLabel;
class QListView;
class QPushButton;
class QSpinBox;
class QTableView;

namespace tilvane {

class AccessBitsEditor;
class BlockTableModel;
class CHexEdit;
class DumpDocument;
class SectionListModel;

class DumpPanel : public QWidget {
    Q_OBJECT
public:
    DumpPanel(DumpDocument &document, QWidget *parent = nullptr);
    ~DumpPanel() override;

    // The block chosen in the table; -2 when none (kSystemBlockRow is -1).
    int current_block() const;
    // Shows the block's section and chooses the block.
    void SelectBlock(int block);

    QListView *section_list() const { return sections_; }
    QTableView *block_table() const { return table_; }
    BlockTableModel *block_model() const { return block_model_; }
    SectionListModel *section_model() const { return section_model_; }

signals:
    // What an edit did or why it did nothing, for the window's status band.
    void outcome(StatusBand::Mark mark, const QString &text);

private:
    struct BytesEditor {
        QLabel *caption;
        CHexEdit *hex;
        QPushButton *apply;
    };
    struct ValueEditor {
        QSpinBox *value;
        QSpinBox *address;
        QLabel *layout;
        QLabel *note;
        QPushButton *apply;
    };
    struct AccessEditor {
        QComboBox *groups[4];
        QLabel *labels[4];
        QLabel *bytes;
        QLabel *warnings;
        QPushButton *apply;
    };

    QWidget *BuildSections();
    QWidget *BuildBlocks();
    QWidget *BuildBytesEditor();
    QWidget *BuildValueEditor();
    QWidget *BuildAccessEditor();

    void DumpReplaced();
    void SectionChosen(int section);
    void BlockChosen();
    void ShowAccessEditor(int block);
    void ShowValueLayout();
    void ShowAccessChoice();
    void ApplyBytes();
    void ApplyValue();
    void ApplyAccess();

    DumpDocument &document_;
    SectionListModel *section_model_;
    BlockTableModel *block_model_;
    std::unique_ptr<AccessBitsEditor> access_model_;
    QListView *sections_ = nullptr;
    QTableView *table_ = nullptr;
    QLabel *access_words_ = nullptr;
    BytesEditor bytes_{};
    ValueEditor value_{};
    AccessEditor access_{};
    int access_sector_ = -1;
};

}  // namespace tilvane
