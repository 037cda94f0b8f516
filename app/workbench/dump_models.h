#pragma once

// The decoded view of a dump as item models over its DumpDocument: the list of
// sections (a Mifare Classic card's sectors, or sixteen blocks at a time) and the
// table of the chosen section's blocks. Both follow the document's changes. The
// table gives each block's kind, marker and meaning, its bytes as hex with "--"
// for an unknown byte, the role of each byte for colouring, and the text a screen
// reader speaks for every cell.

#include <QAbstractListModel>
#include <QAbstractTableModel>

#include <vector>

#include "workbench/block_meaning.h"

namespace tilvane {

class DumpDocument;

// Roles beyond Qt's.
enum WorkbenchRole {
    kBlockKindRole = Qt::UserRole + 1,  // int(BlockKind)
    kByteRolesRole,                     // QVariantList of int(ByteRole), one a byte
    kBlockNumberRole,                   // the block (kSystemBlockRow for the system block)
    kMarkerRole,                        // the marker word(s)
    kDifferingBytesRole,                // QVariantList of bool, one a byte (comparison)
};

class SectionListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit SectionListModel(const DumpDocument &document, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const std::vector<Section> &sections() const { return sections_; }

private:
    void Rebuild();

    const DumpDocument &document_;
    std::vector<Section> sections_;
};

class BlockTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kBlockColumn, kKindColumn, kBytesColumn, kMeaningColumn, kColumnCount };

    explicit BlockTableModel(const DumpDocument &document, QObject *parent = nullptr);

    // Shows the blocks of section `section` of SectionsOf(dump); none for -1.
    void ShowSection(int section);
    int section() const { return section_; }
    // The row of `block` in the section on show, -1 when it is not there.
    int RowOf(int block) const;
    int BlockAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void Reset();
    void BlockChanged(int block);

    const DumpDocument &document_;
    int section_ = -1;
    std::vector<int> rows_;
};

// What a screen reader speaks for a block: "Block 3, TRAILER: FF FF ... (unknown
// for a byte not read); key A ...".
QString SpokenBlock(const cardkit::CardDump &dump, int block);

}  // namespace tilvane
