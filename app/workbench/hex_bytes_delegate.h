#pragma once

// Draws a cell of bytes as hex ("5A 3C -- E2") with each byte on the colour of
// its role (kByteRolesRole) or, in a comparison, the differing bytes on the
// difference colour and underlined (kDifferingBytesRole), so that a difference
// shows without colour too.

#include <QStyledItemDelegate>

#include <initializer_list>

class QTableView;

namespace tilvane {

class HexBytesDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// A table of blocks as both panels show them: whole rows chosen one at a time,
// nothing edited in place (the editors do that), Tab leaving the table for the
// editors while the arrows move within it, no row numbers, the last column
// taking the rest of the width, and `byte_columns` drawn by a HexBytesDelegate.
void SetUpBlockTable(QTableView &table, std::initializer_list<int> byte_columns);

}  // namespace tilvane
