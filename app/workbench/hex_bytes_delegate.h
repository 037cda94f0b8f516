#pragma once

// Draws a cell of bytes as hex ("5A 3C -- E2") with each byte on the colour of
// its role (kByteRolesRole) or, in a comparison, the differing bytes on the
// difference colour and underlined (kDifferingBytesRole), so that a difference
// shows without colour too.

#include <QStyledItemDelegate>

namespace tilvane {

class HexBytesDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

}  // namespace tilvane
