#include "common/group_frame.h"

#include <QFontMetrics>
#include <QPainter>

namespace tilvane {

GroupFrame::GroupFrame(const QString &caption, QWidget *parent)
    : QWidget(parent), caption_(caption) {
    const QFontMetrics metrics(font());
    setContentsMargins(8, metrics.height() + 4, 8, 8);
}

void GroupFrame::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const int caption_left = 2 * metrics.averageCharWidth();
    const int caption_width = metrics.horizontalAdvance(caption_) + 4;
    const QRect frame = rect().adjusted(0, top, -2, -2);

    // The etched look: grey line, and a white one a pixel right of and below it.
    for (const auto &[offset, colour] :
         {std::pair{1, QColor(Qt::white)}, std::pair{0, QColor(128, 128, 128)}}) {
        painter.setPen(colour);
        const QRect r = frame.translated(offset, offset);
        const int gap_left = r.left() + caption_left - 2;
        const int gap_right = gap_left + caption_width;
        painter.drawLine(r.left(), r.top(), gap_left, r.top());
        painter.drawLine(gap_right, r.top(), r.right(), r.top());
        painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
        painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
        painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    }
    painter.setPen(QColor::fromRgb(kPageTextColour));
    painter.drawText(QRect(caption_left, 0, caption_width, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
}

}  // namespace tilvane
