#pragma once

// Where the controls of a page that lays itself out for the screen's width stand.

#include <gtest/gtest.h>

#include <QSize>
#include <QWidget>

#include <ostream>

namespace app_test {

// A screen width and the view a page gets on such a screen.
struct Screen {
    int width;
    QSize view;
};

inline void PrintTo(const Screen &screen, std::ostream *os) {
    *os << screen.width << " (" << screen.view.width() << 'x' << screen.view.height() << ')';
}

// Every control on `surface` lies wholly inside it: nothing above or left of its
// top-left corner, nothing past its edges.
inline void ExpectControlsInside(const QWidget *surface) {
    for (const QWidget *control : surface->findChildren<QWidget *>()) {
        if (control->window() != surface->window()) continue;  // a list's popup
        const QRect placed(control->mapTo(surface, QPoint(0, 0)), control->size());
        EXPECT_TRUE(surface->rect().contains(placed))
            << control->objectName().toStdString() << " at " << placed.x() << ',' << placed.y()
            << ' ' << placed.width() << 'x' << placed.height() << " on " << surface->width() << 'x'
            << surface->height();
    }
}

}  // namespace app_test
