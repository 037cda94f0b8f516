#include "pages/sheet_page.h"

#include <algorithm>

#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStyle>

namespace tilvane {

class SheetPage::Sheet : public QWidget {
public:
    explicit Sheet(SheetPage *page) : page_(page) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        page_->PaintSheet(painter);
    }
    void mousePressEvent(QMouseEvent *event) override {
        page_->SheetPressed(event);
        QWidget::mousePressEvent(event);
    }

private:
    SheetPage *page_;
};

SheetPage::SheetPage(QWidget *parent) : CardPage(parent) {
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    // A click on the sheet (a tab, say) leaves the focus where the operator had it.
    scroll_->setFocusPolicy(Qt::NoFocus);
    // The sheet follows the page's size but never shrinks below what the layout
    // needs, so scroll bars appear only where they must.
    scroll_->setWidgetResizable(true);
    sheet_ = new Sheet(this);
    sheet_->setObjectName(QStringLiteral("sheet"));
    scroll_->setWidget(sheet_);
    // The view's background shows through, as behind every other page.
    scroll_->viewport()->setAutoFillBackground(false);
    sheet_->setAutoFillBackground(false);
}

QWidget *SheetPage::sheet() const { return sheet_; }

int SheetPage::UsableWidth(int bottom) const {
    if (bottom <= height()) return width();
    return std::max(0, width() - scroll_->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void SheetPage::FitSheet(QSize extent) { sheet_->setMinimumSize(extent); }

void SheetPage::FitGroup(QWidget *group) {
    group->resize(group->sizeHint());
    // A hidden widget gets no resize event: its layout would keep the old size.
    if (QLayout *layout = group->layout()) layout->setGeometry(group->rect());
}

void SheetPage::resizeEvent(QResizeEvent *event) {
    CardPage::resizeEvent(event);
    scroll_->setGeometry(rect());
}

}  // namespace tilvane
