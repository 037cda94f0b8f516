#pragma once

// Driving a card page as an operator does: its controls by their original
// identifiers, clicked, typed into and chosen; and where they stand.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <ostream>

#include "app/pages/card_page.h"

namespace app_test {

class PageDriver {
public:
    explicit PageDriver(const tilvane::CardPage &page) : page_(page) {}

    template <typename T = QWidget>
    T *control(int id) const {
        auto *widget = qobject_cast<T *>(page_.Control(id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    void click(int id) const { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }
    QString text(int id) const { return control<QLineEdit>(id)->text(); }
    void set(int id, const QString &value) const { control<QLineEdit>(id)->setText(value); }
    void choose(int list, int number) const {
        auto *combo = control<QComboBox>(list);
        const int index = combo->findData(number);
        ASSERT_GE(index, 0) << "list " << list << " has no " << number;
        combo->setCurrentIndex(index);
    }

private:
    const tilvane::CardPage &page_;
};

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
