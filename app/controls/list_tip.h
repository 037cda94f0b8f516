#pragma once

// A small window laid over an entry of a list whose text is cut, showing the whole
// text. It never takes the focus, and whatever the operator does next is meant for
// the list: moving off the entry, a key, a click, the application losing the focus
// hide it, and a click that lands on the tip itself is passed on to the list (a
// double click as a double click).

#include <QRect>
#include <QString>
#include <QWidget>

class QAbstractItemView;

namespace tilvane {

class CListTip : public QWidget {
    Q_OBJECT
public:
    explicit CListTip(QAbstractItemView *owner);

    // Shows `text` over `item` (a rectangle in the owner's viewport) with its
    // first character where the owner draws it, `offset` pixels into the entry.
    // Does nothing while the tip is shown, for an empty item or text, or while no
    // window of the application has the focus.
    void ShowForItem(const QRect &item, const QString &text, int offset);

    QString text() const { return text_; }
    // The entry the tip stands for, in the owner's viewport.
    QRect item() const { return item_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // Sends a mouse event that reached the tip to the owner's viewport, on the
    // tip's entry.
    void PassOn(QMouseEvent *event);
    bool CursorInKeepAliveArea() const;

    QAbstractItemView *owner_;
    QString text_;
    QRect item_;
    // Moving within the entry (grown by a pixel) keeps the tip.
    QRect keep_alive_;
};

}  // namespace tilvane
