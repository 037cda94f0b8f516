#include "workbench/hex_bytes_delegate.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QTableView>

#include "workbench/byte_colours.h"
#include "workbench/dump_models.h"

namespace tilvane {

void HexBytesDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    QStyle *style = item.widget != nullptr ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

    const QVariantList roles = index.data(kByteRolesRole).toList();
    const QVariantList differing = index.data(kDifferingBytesRole).toList();
    // Laid out in bold, so that a marked byte fits its place.
    QFont bold = item.font;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
    const QStringList bytes = text.split(u' ', Qt::SkipEmptyParts);

    painter->save();
    painter->setFont(item.font);
    painter->setClipRect(area);
    int x = area.left() + margin;
    const int pair = metrics.horizontalAdvance(QStringLiteral("00"));
    const int gap = metrics.horizontalAdvance(QStringLiteral(" "));
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    for (int i = 0; i < bytes.size(); ++i) {
        const QRect cell(x - gap / 2, area.top() + 1, pair + gap, area.height() - 2);
        QColor background;
        bool mark = false;
        if (i < differing.size() && differing[i].toBool()) {
            background = DifferenceColour();
            mark = true;
        } else if (i < roles.size()) {
            background = RoleColour(static_cast<ByteRole>(roles[i].toInt()));
        }
        if (background.isValid()) painter->fillRect(cell, background);
        painter->setPen(
            background.isValid()
                ? QColor(Qt::black)
                : item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        QFont font = item.font;
        font.setUnderline(mark);
        font.setBold(mark);
        painter->setFont(font);
        painter->drawText(QRect(x, area.top(), pair, area.height()), Qt::AlignCenter, bytes[i]);
        x += pair + gap;
    }
    painter->restore();
}

QSize HexBytesDelegate::sizeHint(const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    QFont bold = item.font;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int bytes = static_cast<int>(item.text.split(u' ', Qt::SkipEmptyParts).size());
    const int width = bytes * metrics.horizontalAdvance(QStringLiteral("00 ")) + 12;
    return {width, QStyledItemDelegate::sizeHint(option, index).height()};
}

void SetUpBlockTable(QTableView &table, std::initializer_list<int> byte_columns) {
    auto *delegate = new HexBytesDelegate(&table);
    for (const int column : byte_columns) table.setItemDelegateForColumn(column, delegate);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(QAbstractItemView::SingleSelection);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setTabKeyNavigation(false);
    table.setWordWrap(false);
    table.verticalHeader()->hide();
    table.horizontalHeader()->setStretchLastSection(true);
}

}  // namespace tilvane
