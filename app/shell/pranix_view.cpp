#include "app/shell/pranix_view.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QPainter>
#include <QScreen>

#include "app/pages/card_page.h"
#include "app/shell/card_families.h"
#include "app/shell/view_background.h"

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
}

void CPranixView::SwitchPage(int family) {
    family_ = family;
    if (page_) delete page_.data();

    const int width = screen_width_();
    QWidget *page = factory_(family, PageTemplateFor(family, width), this);
    page_ = page;
    if (page == nullptr) return;
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
    page->show();
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
