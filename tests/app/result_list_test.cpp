// The result list and its tip: long entries are drawn cut, the tip shows the
// whole text of a cut entry only, goes away when the operator does anything
// else, and passes on the clicks that land on it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "common/result_list.h"
#include "controls/list_tip.h"

namespace {

using tilvane::ResultList;

TEST(CutToWidth, KeepsWhatFitsAndEndsTheRestWithTheMark) {
    const QFontMetrics metrics(QApplication::font());
    const QString text(60, u'A');
    const int whole = metrics.horizontalAdvance(text);
    EXPECT_EQ(tilvane::CutToWidth(metrics, text, whole), text);
    for (const int width : {whole - 1, whole / 2, 0}) {
        const QString cut = tilvane::CutToWidth(metrics, text, width);
        EXPECT_TRUE(cut.endsWith(" ... ")) << width;
        EXPECT_TRUE(text.startsWith(cut.chopped(5))) << width;
        // The longest beginning that fits with the mark.
        if (cut.size() > 5) {
            EXPECT_LE(metrics.horizontalAdvance(cut), width);
        }
        EXPECT_GT(metrics.horizontalAdvance(text.left(cut.size() - 4) + " ... "), width);
    }
}

class ResultListTip : public ::testing::Test {
public:
    void SetUp() override {
        list.resize(200, 6 * ResultList::kItemHeight);
        list.AddEntry("9000");
        list.AddEntry(QString(120, u'A') + "9000");
        list.show();
        list.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    }

    QPoint centre(int row) { return list.visualItemRect(list.item(row)).center(); }
    void hover(int row) { QTest::mouseMove(list.viewport(), centre(row)); }
    tilvane::CListTip *tip() { return list.tip(); }

    ResultList list;
};

TEST_F(ResultListTip, ShowsTheWholeTextOfACutEntryOnly) {
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_FALSE(list.IsCut(0));
    EXPECT_TRUE(list.IsCut(1));
    hover(0);
    EXPECT_FALSE(tip()->isVisible());
    hover(1);
    ASSERT_TRUE(tip()->isVisible());
    EXPECT_EQ(tip()->text(), list.item(1)->text());
    EXPECT_GT(tip()->width(), list.width());
    EXPECT_FALSE(tip()->hasFocus());
    EXPECT_EQ(QApplication::activeWindow(), &list);
}

TEST_F(ResultListTip, GoesAwayWhenTheOperatorDoesAnythingElse) {
    struct Case {
        const char *name;
        std::function<void(ResultListTip &)> act;
    };
    const Case cases[] = {
        {"moving to another entry", [](ResultListTip &t) { t.hover(0); }},
        {"a key", [](ResultListTip &t) { QTest::keyClick(&t.list, Qt::Key_Up); }},
        {"a click", [](ResultListTip &t) {
             QTest::mousePress(t.list.viewport(), Qt::LeftButton, {}, t.centre(1));
         }},
        {"leaving the list", [](ResultListTip &t) {
             QEvent leave(QEvent::Leave);
             QCursor::setPos(t.list.mapToGlobal(QPoint(-50, -50)));
             QApplication::sendEvent(t.list.viewport(), &leave);
         }},
    };
    for (const Case &c : cases) {
        hover(0);
        hover(1);
        ASSERT_TRUE(tip()->isVisible()) << c.name;
        c.act(*this);
        EXPECT_FALSE(tip()->isVisible()) << c.name;
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, centre(0));
    }
}

TEST_F(ResultListTip, PassesADoubleClickOnItselfToTheEntryBelow) {
    QSignalSpy double_clicked(&list, &QListWidget::itemDoubleClicked);
    // The first click of a double click shows the tip over the entry...
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre(1));
    ASSERT_TRUE(tip()->isVisible());
    // ...and the second lands on the tip, which hands it to the list.
    const QPoint on_tip = tip()->rect().center();
    const QPoint global = tip()->mapToGlobal(on_tip);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick}) {
        QMouseEvent event(type, on_tip, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tip(), &event);
    }
    ASSERT_EQ(double_clicked.size(), 1);
    EXPECT_EQ(double_clicked[0][0].value<QListWidgetItem *>(), list.item(1));
    EXPECT_FALSE(tip()->isVisible());
}

}  // namespace
