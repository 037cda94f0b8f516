#include "common/result_list.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "common/group_frame.h"
#include "controls/list_tip.h"

namespace tilvane {

namespace {

const QString kCutMark = QStringLiteral(" ... ");
constexpr QRgb kSelectedFill = 0x36528F;  // RGB(54, 82, 143)

// Room for an entry's text in a line of `line_width` pixels.
int TextRoom(int line_width) {
    return line_width - 2 * ResultList::kTextOffset;
}

class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override {
        return {1, ResultList::kItemHeight};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        painter->save();
        const QRect line = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(line, selected ? QColor::fromRgb(kSelectedFill)
                                         : option.palette.color(QPalette::Base));
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                                 : QColor::fromRgb(kPageTextColour));
        const QString text = index.data(Qt::DisplayRole).toString();
        painter->drawText(line.adjusted(ResultList::kTextOffset, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          CutToWidth(option.fontMetrics, text, TextRoom(line.width())));
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(Qt::red);
            painter->drawRect(line.adjusted(0, 0, -1, -1));
        }
        painter->restore();
    }
};

}  // namespace

QString CutToWidth(const QFontMetrics &metrics, const QString &text, int width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    // The longest beginning that leaves room for the mark.
    qsizetype low = 0, high = text.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(middle) + kCutMark) <= width) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return text.left(low) + kCutMark;
}

ResultList::ResultList(QWidget *parent) : QListWidget(parent), tip_(new CListTip(this)) {
    setItemDelegate(new EntryDelegate(this));
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMouseTracking(true);
}

void ResultList::AddEntry(const QString &text) {
    addItem(text);
    clearSelection();
    setCurrentRow(count() - 1);
    scrollToBottom();
}

QStringList ResultList::Entries() const {
    QStringList texts;
    for (int row = 0; row < count(); ++row) texts << item(row)->text();
    return texts;
}

bool ResultList::IsCut(int row) const {
    const QListWidgetItem *entry = item(row);
    if (entry == nullptr) return false;
    return fontMetrics().horizontalAdvance(entry->text()) > TextRoom(visualItemRect(entry).width());
}

void ResultList::ShowTipAt(const QPoint &position) {
    const QModelIndex index = indexAt(position);
    if (!index.isValid() || !IsCut(index.row())) return;
    tip_->ShowForItem(visualRect(index), index.data(Qt::DisplayRole).toString(), kTextOffset);
}

void ResultList::mouseMoveEvent(QMouseEvent *event) {
    QListWidget::mouseMoveEvent(event);
    ShowTipAt(event->position().toPoint());
}

void ResultList::mouseReleaseEvent(QMouseEvent *event) {
    QListWidget::mouseReleaseEvent(event);
    ShowTipAt(event->position().toPoint());
}

}  // namespace tilvane
