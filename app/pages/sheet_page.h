#pragma once

// The pages that fill the view (SRIX4K, ISO 15693) place their controls by hand
// for the screen's width. They place them on a sheet that fills the page and
// grows, with scroll bars, when the page is too small for the layout: a control
// is never placed above or left of the page, nor cut off past its edges.

#include <QSize>

#include "pages/card_page.h"

class QMouseEvent;
class QPainter;
class QScrollArea;

namespace tilvane {

class SheetPage : public CardPage {
    Q_OBJECT
public:
    explicit SheetPage(QWidget *parent = nullptr);

    // What the controls are placed on: the page's size, or larger.
    QWidget *sheet() const;

protected:
    // The width the controls have when they reach down to `bottom`: a vertical
    // scroll bar takes its share when they reach past the page's bottom.
    int UsableWidth(int bottom) const;

    // The sheet is the page's size, grown where needed to `extent`, the
    // bottom-right corner of everything placed on it.
    void FitSheet(QSize extent);

    // Sizes a group of controls as its layout asks and places them in it at
    // once, whether the page is shown yet or not.
    static void FitGroup(QWidget *group);

    // Drawing under the controls, and a mouse press on the sheet itself.
    virtual void PaintSheet(QPainter &painter) { Q_UNUSED(painter); }
    virtual void SheetPressed(QMouseEvent *event) { Q_UNUSED(event); }

    void resizeEvent(QResizeEvent *event) override;

private:
    class Sheet;

    QScrollArea *scroll_ = nullptr;
    Sheet *sheet_ = nullptr;
};

}  // namespace tilvane
