#include "controls/list_tip.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace tilvane {

namespace {

// The tip's text stands this far from its left edge (and as far from its right).
constexpr int kTextMargin = 6;

}  // namespace

CListTip::CListTip(QAbstractItemView *owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      owner_(owner) {
    setObjectName(QStringLiteral("listTip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    owner_->installEventFilter(this);
    owner_->viewport()->installEventFilter(this);
    owner_->viewport()->setMouseTracking(true);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive) hide();
            });
    connect(owner_->verticalScrollBar(), &QScrollBar::valueChanged, this, &QWidget::hide);
}

void CListTip::ShowForItem(const QRect &item, const QString &text, int offset) {
    if (isVisible() || item.isEmpty() || text.isEmpty()) return;
    if (QApplication::activeWindow() == nullptr) return;

    text_ = text;
    item_ = item;
    keep_alive_ = item.adjusted(-1, -1, 1, 1);
    setFont(owner_->font());
    const int width = fontMetrics().horizontalAdvance(text) + 2 * kTextMargin;
    // The tip's text lies exactly over the entry's own.
    const QPoint top_left =
        owner_->viewport()->mapToGlobal(QPoint(item.left() + offset - kTextMargin, item.top()));
    setGeometry(QRect(top_left, QSize(width, item.height())));
    show();
}

void CListTip::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect().adjusted(kTextMargin, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

bool CListTip::CursorInKeepAliveArea() const {
    return keep_alive_.contains(owner_->viewport()->mapFromGlobal(QCursor::pos()));
}

bool CListTip::eventFilter(QObject *watched, QEvent *event) {
    if (!isVisible()) return false;
    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto *move = static_cast<QMouseEvent *>(event);
            if (watched == owner_->viewport() && !keep_alive_.contains(move->position().toPoint())) {
                hide();
            }
            break;
        }
        case QEvent::Leave:
            // Where the platform lets the tip take the pointer, its appearing
            // under the cursor is a leave of the list, not the end of the tip.
            if (!CursorInKeepAliveArea()) hide();
            break;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::FocusOut:
        case QEvent::Hide:
            hide();
            break;
        default:
            break;
    }
    return false;
}

void CListTip::PassOn(QMouseEvent *event) {
    QWidget *viewport = owner_->viewport();
    const QPointF global = event->globalPosition();
    // The tip reaches past the list: wherever it is clicked, the click is on its
    // entry.
    QPointF position = viewport->mapFromGlobal(global);
    position.setX(std::clamp<qreal>(position.x(), item_.left(), item_.right()));
    QMouseEvent copy(event->type(), position, global, event->button(), event->buttons(),
                     event->modifiers());
    QCoreApplication::sendEvent(viewport, &copy);
}

void CListTip::mousePressEvent(QMouseEvent *event) {
    hide();
    PassOn(event);
}

void CListTip::mouseReleaseEvent(QMouseEvent *event) {
    PassOn(event);
}

void CListTip::mouseDoubleClickEvent(QMouseEvent *event) {
    hide();
    PassOn(event);
}

void CListTip::mouseMoveEvent(QMouseEvent *event) {
    PassOn(event);
}

void CListTip::wheelEvent(QWheelEvent *event) {
    hide();
    event->ignore();
}

}  // namespace tilvane
