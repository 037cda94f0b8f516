#include "shell/pranix_view.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "pages/card_page.h"
#include "shell/card_families.h"
#include "shell/view_background.h"

namespace tilvane {

namespace {

bool IsLargeTemplate(int family, int screen_width) {
    return PageTemplateFor(family, screen_width) == PageTemplateFor(family, 0);
}

// The SRIX4K and ISO 15693 pages take the whole view and lay themselves out.
bool FillsView(int family) {
    return family == kSrix4k || family == kIso15693;
}

}  // namespace

int PrimaryScreenWidth() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().width() : 0;
}

CPranixView::CPranixView(PageFactory factory, ScreenWidth screen_width, QWidget *parent)
    : QWidget(parent), factory_(std::move(factory)), screen_width_(std::move(screen_width)) {
    setObjectName(QStringLiteral("view"));
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("viewScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    // The pages' own controls take the focus, not the area around them.
    scroll_->setFocusPolicy(Qt::NoFocus);
    // The canvas follows the view's size but never shrinks below the page.
    scroll_->setWidgetResizable(true);
    canvas_ = new QWidget;
    canvas_->setObjectName(QStringLiteral("viewCanvas"));
    scroll_->setWidget(canvas_);
    // The background painted by the view shows through.
    scroll_->viewport()->setAutoFillBackground(false);
    canvas_->setAutoFillBackground(false);
}

void CPranixView::SwitchPage(int family) {
    family_ = family;
    if (page_) delete page_.data();
    // A new page starts at the top-left corner of what is scrolled.
    scroll_->horizontalScrollBar()->setValue(0);
    scroll_->verticalScrollBar()->setValue(0);

    const int width = screen_width_();
    QWidget *page = factory_(family, PageTemplateFor(family, width), canvas_);
    page_ = page;
    if (page == nullptr) {
        FitCanvasToPage();
        return;
    }
    page->adjustSize();

    // Large templates (a page with one template for all widths has only a large
    // one) are centred; the compact and medium ones stay at the top-left corner.
    if (FillsView(family)) {
        FillWithPage(width);
    } else if (IsLargeTemplate(family, width)) {
        CentrePage();
    } else {
        page->move(0, 0);
    }
    FitCanvasToPage();
    page->show();
}

void CPranixView::FitCanvasToPage() {
    const QRect placed = page_ ? page_->geometry() : QRect();
    canvas_->setMinimumSize(std::max(0, placed.x() + placed.width()),
                            std::max(0, placed.y() + placed.height()));
    // The scroll area weighs its scroll bars again only when asked: a smaller
    // page would otherwise keep the bars of a larger one.
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(scroll_, &request);
}

void CPranixView::CentrePage() {
    if (!page_) return;
    // A page larger than the view keeps its top-left corner in sight.
    const QSize free = size() - page_->size();
    page_->move(std::max(0, free.width() / 2), std::max(0, free.height() / 2));
}

void CPranixView::FillWithPage(int screen_width) {
    if (!page_) return;
    page_->setGeometry(rect());
    if (auto *card_page = qobject_cast<CardPage *>(page_.data())) {
        card_page->LayoutForScreen(screen_width);
    }
}

void CPranixView::PlaceOnFirstPaint() {
    if (!page_) return;
    if (FillsView(family_)) {
        FillWithPage(screen_width_());
    } else {
        CentrePage();
    }
    FitCanvasToPage();
}

void CPranixView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    scroll_->setGeometry(rect());
}

void CPranixView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    PaintViewBackground(painter, size());
    if (!first_paint_done_ && page_) {
        first_paint_done_ = true;
        // Moving children is no work for a paint: do it right after.
        QMetaObject::invokeMethod(this, &CPranixView::PlaceOnFirstPaint, Qt::QueuedConnection);
    }
}

}  // namespace tilvane
