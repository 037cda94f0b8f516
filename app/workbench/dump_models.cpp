#include "workbench/dump_models.h"

#include <QFontDatabase>
#include <QVariantList>

#include "workbench/byte_colours.h"
#include "workbench/dump_document.h"

namespace tilvane {

namespace {

int KnownBlocks(const cardkit::CardDump &dump, const Section &section) {
    int known = 0;
    for (const int block : section.rows) {
        if (block == kSystemBlockRow ? dump.system_block().has_value() : dump.block_known(block)) {
            ++known;
        }
    }
    return known;
}

}  // namespace

QString SpokenBlock(const cardkit::CardDump &dump, int block) {
    const BlockMeaning meaning = DescribeBlock(dump, block);
    QString bytes = BlockHex(dump, block);
    bytes.replace(QStringLiteral("--"), QStringLiteral("unknown"));
    return QStringLiteral("%1, %2: %3; %4")
        .arg(BlockLabel(dump, block), meaning.marker, bytes, meaning.meaning);
}

// --- sections ----------------------------------------------------------------

SectionListModel::SectionListModel(const DumpDocument &document, QObject *parent)
    : QAbstractListModel(parent), document_(document) {
    connect(&document, &DumpDocument::replaced, this, &SectionListModel::Rebuild);
    connect(&document, &DumpDocument::block_changed, this, [this](int block) {
        const int row = SectionOf(sections_, block);
        if (row >= 0) emit dataChanged(index(row), index(row));
    });
    Rebuild();
}

void SectionListModel::Rebuild() {
    beginResetModel();
    sections_ = document_.has_dump() ? SectionsOf(document_.dump()) : std::vector<Section>{};
    endResetModel();
}

int SectionListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(sections_.size());
}

QVariant SectionListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(sections_.size())) return {};
    const Section &section = sections_[static_cast<std::size_t>(index.row())];
    const int known = KnownBlocks(document_.dump(), section);
    const int count = static_cast<int>(section.rows.size());
    switch (role) {
        case Qt::DisplayRole:
            return known == count ? section.title
                                  : QStringLiteral("%1  (%2 of %3 read)")
                                        .arg(section.title)
                                        .arg(known)
                                        .arg(count);
        case Qt::AccessibleTextRole:
            return known == count ? QStringLiteral("%1, every block read").arg(section.title)
                                  : QStringLiteral("%1, %2 of %3 blocks read, the rest unknown")
                                        .arg(section.title)
                                        .arg(known)
                                        .arg(count);
        default:
            return {};
    }
}

// --- blocks ------------------------------------------------------------------

BlockTableModel::BlockTableModel(const DumpDocument &document, QObject *parent)
    : QAbstractTableModel(parent), document_(document) {
    connect(&document, &DumpDocument::replaced, this, [this] { ShowSection(-1); });
    connect(&document, &DumpDocument::block_changed, this, &BlockTableModel::BlockChanged);
}

void BlockTableModel::ShowSection(int section) {
    section_ = section;
    Reset();
}

void BlockTableModel::Reset() {
    beginResetModel();
    rows_.clear();
    if (document_.has_dump() && section_ >= 0) {
        const std::vector<Section> sections = SectionsOf(document_.dump());
        if (section_ < static_cast<int>(sections.size())) {
            rows_ = sections[static_cast<std::size_t>(section_)].rows;
        }
    }
    endResetModel();
}

void BlockTableModel::BlockChanged(int block) {
    // A trailer's change changes the meaning of its sector's other blocks (their
    // access words); a lock byte's that of the blocks it locks.
    if (RowOf(block) < 0 && document_.dump().family() == cardkit::CardFamily::MifareClassic) {
        return;
    }
    if (rows_.empty()) return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

int BlockTableModel::RowOf(int block) const {
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row] == block) return static_cast<int>(row);
    }
    return -1;
}

int BlockTableModel::BlockAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)]
                                                            : kSystemBlockRow - 1;
}

int BlockTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BlockTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant BlockTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    switch (section) {
        case kBlockColumn:
            return QStringLiteral("Block");
        case kKindColumn:
            return QStringLiteral("Kind");
        case kBytesColumn:
            return QStringLiteral("Bytes");
        case kMeaningColumn:
            return QStringLiteral("Meaning");
        default:
            return {};
    }
}

QVariant BlockTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) ||
        !document_.has_dump()) {
        return {};
    }
    const cardkit::CardDump &dump = document_.dump();
    const int block = rows_[static_cast<std::size_t>(index.row())];
    const BlockMeaning meaning = DescribeBlock(dump, block);
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            switch (column) {
                case kBlockColumn:
                    return block == kSystemBlockRow ? QStringLiteral("system")
                                                    : QString::number(block);
                case kKindColumn:
                    return meaning.marker;
                case kBytesColumn:
                    return BlockHex(dump, block);
                default:
                    return meaning.meaning;
            }
        case Qt::AccessibleTextRole:
            switch (column) {
                case kBlockColumn:
                    return BlockLabel(dump, block);
                case kKindColumn:
                    return QStringLiteral("%1 kind: %2")
                        .arg(BlockLabel(dump, block), meaning.marker);
                case kBytesColumn:
                    return SpokenBlock(dump, block);
                default:
                    return QStringLiteral("%1 meaning: %2")
                        .arg(BlockLabel(dump, block), meaning.meaning);
            }
        case Qt::ToolTipRole: {
            const QStringList access = AccessInWords(dump, block);
            return access.isEmpty() ? meaning.meaning : access.join(u'\n');
        }
        case Qt::BackgroundRole:
            if (column == kKindColumn && KindColour(meaning.kind).isValid()) {
                return KindColour(meaning.kind);
            }
            return {};
        case Qt::ForegroundRole:
            if (column == kKindColumn && KindColour(meaning.kind).isValid()) {
                return QColor(Qt::black);
            }
            return {};
        case Qt::FontRole:
            if (column == kBytesColumn) return QFontDatabase::systemFont(QFontDatabase::FixedFont);
            return {};
        case kBlockKindRole:
            return static_cast<int>(meaning.kind);
        case kMarkerRole:
            return meaning.marker;
        case kBlockNumberRole:
            return block;
        case kByteRolesRole: {
            QVariantList roles;
            for (const ByteRole byte_role : meaning.roles) roles << static_cast<int>(byte_role);
            return roles;
        }
        default:
            return {};
    }
}

}  // namespace tilvane
