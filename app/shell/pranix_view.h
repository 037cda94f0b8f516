#pragma once

// The main window's view: shows exactly one page, the page of the current card
// family, over a gradient background. Choosing another family destroys the page
// on show and builds the new one; nothing of a page survives a switch. A page
// larger than the view scrolls.

#include <QPointer>
#include <QWidget>

#include <functional>

class QScrollArea;

namespace tilvane {

class CPranixView : public QWidget {
    Q_OBJECT
public:
    // Builds the page of a family for a template (chosen by screen width) as a
    // child of the view.
    using PageFactory = std::function<QWidget *(int family, int template_id, QWidget *parent)>;
    // The display's width in pixels, which chooses each page's template.
    using ScreenWidth = std::function<int()>;

    CPranixView(PageFactory factory, ScreenWidth screen_width, QWidget *parent = nullptr);

    // Destroys the page on show and creates, places and shows the page of `family`.
    void SwitchPage(int family);

    QWidget *page() const { return page_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void PlaceOnFirstPaint();
    void CentrePage();
    // Gives the page the whole view and lays it out for the screen's width.
    void FillWithPage(int screen_width);
    // Makes the scrolled area reach the page's bottom-right corner, so that
    // scroll bars appear exactly where the page does not fit.
    void FitCanvasToPage();

    PageFactory factory_;
    ScreenWidth screen_width_;
    // Pages stand on the canvas, which is the view's size or larger, scrolled.
    QScrollArea *scroll_ = nullptr;
    QWidget *canvas_ = nullptr;
    QPointer<QWidget> page_;
    int family_ = -1;
    bool first_paint_done_ = false;
};

// The width of the primary screen.
int PrimaryScreenWidth();

}  // namespace tilvane
