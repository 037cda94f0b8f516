// Every page in the main window at the three screen widths that choose the
// templates: each control can be scrolled into sight, and no two controls side by
// side run into each other.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSize>
#include <QTest>

#include <memory>
#include <ostream>
#include <tuple>
#include <vector>

#include "shell/page_factory.h"
#include "common/app_state.h"
#include "shell/card_families.h"
#include "shell/main_frame.h"
#include "app_test.h"

namespace {

// A page of a family in a main window on a screen of some width (which chooses
// the page's template); the window's size is the screen's or smaller.
struct Screen {
    int width;
    QSize window;
};
struct Case {
    int family;
    Screen screen;
};

void PrintTo(const Case &c, std::ostream *os) {
    *os << tilvane::kCardFamilies[static_cast<std::size_t>(c.family)].page_name << " on "
        << c.screen.width << ", window " << c.screen.window.width() << 'x'
        << c.screen.window.height();
}

std::vector<Case> AllPagesOn(std::initializer_list<Screen> screens) {
    std::vector<Case> cases;
    for (const Screen &screen : screens) {
        for (int family = 0; family < tilvane::kCardFamilyCount; ++family) {
            cases.push_back({family, screen});
        }
    }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<Case> &info) {
    const Case &c = info.param;
    return std::string(tilvane::kCardFamilies[static_cast<std::size_t>(c.family)].page_name) + "_" +
           std::to_string(c.screen.width) + "_" + std::to_string(c.screen.window.width()) + "x" +
           std::to_string(c.screen.window.height());
}

bool IsLabel(const QWidget *widget) { return qobject_cast<const QLabel *>(widget) != nullptr; }

// What the operator reads and works on a page, as far as it is on show: labels,
// buttons, boxes, lists.
std::vector<QWidget *> Controls(QWidget *page) {
    std::vector<QWidget *> controls;
    for (QWidget *widget : page->findChildren<QWidget *>()) {
        if (widget->window() != page->window() || !widget->isVisibleTo(page)) continue;
        if (IsLabel(widget) || qobject_cast<QAbstractButton *>(widget) ||
            qobject_cast<QLineEdit *>(widget) || qobject_cast<QComboBox *>(widget) ||
            qobject_cast<QAbstractItemView *>(widget)) {
            controls.push_back(widget);
        }
    }
    return controls;
}

std::string Describe(const QWidget *widget) {
    const QRect r = widget->geometry();
    const QString name =
        widget->objectName().isEmpty() ? widget->accessibleName() : widget->objectName();
    return name.toStdString() + " " + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
           std::to_string(r.width()) + "x" + std::to_string(r.height());
}

class PageLayout : public app_test::AppTest, public ::testing::WithParamInterface<Case> {
protected:
    PageLayout() {
        state.api = fake_reader::api();
        state.sleep_ms = [](unsigned) {};
        state.com_port = 1;
        state.card_family = GetParam().family;
        const int width = GetParam().screen.width;
        frame = std::make_unique<tilvane::CMainFrame>(state, tilvane::CardPageFactory(state),
                                                      [width] { return width; });
        frame->resize(GetParam().screen.window);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        // The view places its page once it is painted.
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    QWidget *page() const { return frame->view()->page(); }

    tilvane::AppState state;
    std::unique_ptr<tilvane::CMainFrame> frame;
};

class PageReach : public PageLayout {};

TEST_P(PageReach, EveryControlCanBeScrolledIntoSight) {
    QWidget *view = frame->view();
    ASSERT_NE(page(), nullptr);
    const std::vector<QWidget *> controls = Controls(page());
    ASSERT_FALSE(controls.empty());
    for (QWidget *control : controls) {
        // The scroll areas it stands in, innermost first, each brought to the
        // whole control (ensureWidgetVisible() would settle for a box's caret).
        std::vector<QScrollArea *> areas;
        for (QWidget *up = control->parentWidget(); up != nullptr && up != view->parentWidget();
             up = up->parentWidget()) {
            if (auto *area = qobject_cast<QScrollArea *>(up)) areas.push_back(area);
        }
        for (QScrollArea *area : areas) {
            // Its far corner, then its near one, which wins where not both fit.
            const QPoint far = control->mapTo(area->widget(), control->rect().bottomRight());
            area->ensureVisible(far.x(), far.y(), 1, 1);
            const QPoint near = control->mapTo(area->widget(), QPoint(0, 0));
            area->ensureVisible(near.x(), near.y(), 0, 0);
        }
        // In sight whole, or as far as fits where it is larger than what shows it.
        QSize room = view->size();
        for (QScrollArea *area : areas) room = room.boundedTo(area->viewport()->size());
        EXPECT_EQ(control->visibleRegion().boundingRect().size(), control->size().boundedTo(room))
            << Describe(control);
    }
}

// The whole screen, and a window made smaller than it.
INSTANTIATE_TEST_SUITE_P(SmallScreen, PageReach,
                         ::testing::ValuesIn(AllPagesOn({{640, {640, 480}}, {640, {480, 320}}})),
                         CaseName);

class PageSpacing : public PageLayout {};

// Labels are left out: the grids of the ISO 15693 page put each row number right
// against its box, as the page's arrangement has it.
TEST_P(PageSpacing, NoTwoControlsSideBySideTouch) {
    ASSERT_NE(page(), nullptr);
    std::vector<QWidget *> controls = Controls(page());
    std::erase_if(controls, IsLabel);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            QWidget *a = controls[i];
            QWidget *b = controls[j];
            if (a->parentWidget() != b->parentWidget()) continue;
            // A pixel of gap at least, every way.
            EXPECT_FALSE(a->geometry().adjusted(-1, -1, 1, 1).intersects(b->geometry()))
                << Describe(a) << " and " << Describe(b);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryScreen, PageSpacing,
    ::testing::ValuesIn(AllPagesOn({{640, {640, 480}}, {800, {800, 600}}, {1280, {1280, 1024}}})),
    CaseName);

}  // namespace
