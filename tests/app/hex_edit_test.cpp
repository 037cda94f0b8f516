// The hex edit as the operator meets it: keys typed, text pasted, limits.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <functional>
#include <ostream>

#include "common/hex_edit.h"
#include "common/value_edit.h"

namespace {

using tilvane::CHexEdit;

class HexEditTest : public ::testing::Test {
protected:
    HexEditTest() {
        edit.show();
        edit.setFocus();
    }
    void type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&edit, key, modifiers);
    }
    void paste(const QString &text) {
        QApplication::clipboard()->setText(text);
        type(Qt::Key_V, Qt::ControlModifier);
    }
    CHexEdit edit;
};

TEST_F(HexEditTest, LettersAToFAppearInLowerCase) {
    type(Qt::Key_A, Qt::ShiftModifier);
    type(Qt::Key_B);
    type(Qt::Key_C, Qt::ShiftModifier);
    type(Qt::Key_9);
    EXPECT_EQ(edit.text(), QStringLiteral("abc9"));
}

TEST_F(HexEditTest, KeysThatMakeNoHexDigitAreDiscarded) {
    edit.setText(QStringLiteral("12"));
    edit.setCursorPosition(1);
    for (Qt::Key key : {Qt::Key_G, Qt::Key_Space, Qt::Key_X, Qt::Key_Minus, Qt::Key_Left,
                        Qt::Key_Home, Qt::Key_End}) {
        type(key);
    }
    QTest::keyClicks(&edit, QStringLiteral("!z"));
    // Neither the text nor the caret moved.
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
    EXPECT_EQ(edit.cursorPosition(), 1);
}

TEST_F(HexEditTest, KeypadDigitsDeleteAndBackspaceWork) {
    for (Qt::Key key : {Qt::Key_0, Qt::Key_7, Qt::Key_8, Qt::Key_9, Qt::Key_1}) {
        type(key, Qt::KeypadModifier);
    }
    EXPECT_EQ(edit.text(), QStringLiteral("07891"));
    type(Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("0789"));
    edit.setCursorPosition(0);
    type(Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("789"));
}

TEST_F(HexEditTest, PastedTextKeepsOnlyItsHexDigits) {
    paste(QStringLiteral("00 A4 04 00"));
    EXPECT_EQ(edit.text(), QStringLiteral("00A40400"));
    edit.clear();
    paste(QStringLiteral("zz"));
    EXPECT_EQ(edit.text(), QString());
    // Shift+Insert is a paste too.
    QApplication::clipboard()->setText(QStringLiteral("0x1f,"));
    type(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("01f"));
}

TEST_F(HexEditTest, CtrlCombinationsKeepTheirMeaning) {
    edit.setText(QStringLiteral("abcd"));
    type(Qt::Key_A, Qt::ControlModifier);  // select all
    type(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("abcd"));
    type(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QString());
    type(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("abcd"));
}

TEST_F(HexEditTest, LimitInBytesBoundsTypingAndPasting) {
    edit.SetLimitBytes(4);
    EXPECT_EQ(edit.GetLimitBytes(), 4);
    QTest::keyClicks(&edit, QStringLiteral("123456789"));
    EXPECT_EQ(edit.text(), QStringLiteral("12345678"));
    edit.clear();
    paste(QStringLiteral("11 22 33 44 55"));
    EXPECT_EQ(edit.text(), QStringLiteral("11223344"));
    edit.setMaxLength(5);
    EXPECT_EQ(edit.GetLimitBytes(), 3);  // rounded up
}

TEST_F(HexEditTest, ByteCountIgnoresAnOddLastDigit) {
    edit.setText(QStringLiteral("12345"));
    EXPECT_EQ(edit.GetByteCount(), 2);
    edit.setText(QString());
    EXPECT_EQ(edit.GetByteCount(), 0);
}

// Text dragged onto the box and let go there, as the platform delivers it.
void Drop(CHexEdit &edit, const QString &text) {
    QMimeData data;
    data.setText(text);
    const QPointF point(edit.width() - 2, edit.height() / 2);
    QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&edit, &enter);
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&edit, &drop);
}

// What an operator can do to a box to put text into it or take text out.
struct Edit {
    const char *name;
    std::function<void(CHexEdit &)> act;
};

void PrintTo(const Edit &edit, std::ostream *os) {
    *os << edit.name;
}

class ReadOnlyHexEdit : public HexEditTest, public ::testing::WithParamInterface<Edit> {};

TEST_P(ReadOnlyHexEdit, TakesNothingFromTheOperator) {
    edit.setText(QStringLiteral("12"));
    edit.setReadOnly(true);
    edit.setFocus();
    GetParam().act(edit);
    QApplication::processEvents();
    EXPECT_EQ(edit.text(), QStringLiteral("12"));
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ReadOnlyHexEdit,
    ::testing::Values(
        Edit{"typed_digits", [](CHexEdit &e) { QTest::keyClicks(&e, "1234"); }},
        Edit{"typed_letters", [](CHexEdit &e) { QTest::keyClicks(&e, "aF"); }},
        Edit{"keypad_digits",
             [](CHexEdit &e) {
                 QTest::keyClick(&e, Qt::Key_7, Qt::KeypadModifier);
             }},
        Edit{"ctrl_v",
             [](CHexEdit &e) {
                 QApplication::clipboard()->setText(QStringLiteral("00 A4 04 00"));
                 QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier);
             }},
        Edit{"shift_insert",
             [](CHexEdit &e) {
                 QApplication::clipboard()->setText(QStringLiteral("ABCD"));
                 QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier);
             }},
        Edit{"context_menu_paste",
             [](CHexEdit &e) {
                 QApplication::clipboard()->setText(QStringLiteral("ABCD"));
                 QContextMenuEvent open(QContextMenuEvent::Mouse, QPoint(2, 2),
                                        e.mapToGlobal(QPoint(2, 2)));
                 QApplication::sendEvent(&e, &open);
                 auto *menu = e.findChild<QMenu *>();
                 ASSERT_NE(menu, nullptr);
                 for (QAction *action : menu->actions()) {
                     if (action->objectName() == QLatin1String("edit-paste")) action->trigger();
                 }
                 menu->close();
             }},
        Edit{"drop", [](CHexEdit &e) { Drop(e, QStringLiteral("ABCD")); }},
        Edit{"drop_with_drops_switched_on",
             [](CHexEdit &e) {
                 e.setAcceptDrops(true);
                 Drop(e, QStringLiteral("ABCD"));
             }},
        Edit{"typing_after_read_only_and_back",
             [](CHexEdit &e) {
                 // Whatever the box turns back on when it is made writable again,
                 // a second read-only spell refuses the same.
                 e.setReadOnly(false);
                 e.setReadOnly(true);
                 QTest::keyClicks(&e, "99");
             }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HexEditTest, TextDroppedOnAWritableBoxKeepsOnlyItsHexDigits) {
    edit.setAcceptDrops(true);
    Drop(edit, QStringLiteral("00 A4-zz 04"));
    EXPECT_EQ(edit.text(), QStringLiteral("00A404"));
    // Made writable again after a read-only spell, it takes typing as before and
    // input-method text through the same filter.
    edit.setReadOnly(true);
    edit.setReadOnly(false);
    EXPECT_FALSE(edit.testAttribute(Qt::WA_InputMethodEnabled));
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("B7 xq"));
    QApplication::sendEvent(&edit, &composed);
    EXPECT_EQ(edit.text(), QStringLiteral("00A404b7"));
}

TEST(ValueEdit, IgnoresTypedLettersOnly) {
    tilvane::ValueEdit edit;
    edit.show();
    QTest::keyClicks(&edit, QStringLiteral("-1a2Z3 .x"));
    EXPECT_EQ(edit.text(), QStringLiteral("-123 ."));
}

TEST(LeadingDecimal, ReadsLikeTheCLibrary) {
    struct Row {
        const char *text;
        std::int32_t value;
    };
    for (const Row &row :
         {Row{"305419896", 305419896}, Row{"  -42x", -42}, Row{"+7", 7}, Row{"abc", 0}, Row{"", 0},
          Row{"-", 0}, Row{"12 34", 12}, Row{"99999999999", 2147483647},
          Row{"-99999999999", -2147483647 - 1}, Row{"-2147483648", -2147483647 - 1}}) {
        EXPECT_EQ(tilvane::LeadingDecimal(QString::fromLatin1(row.text)), row.value) << row.text;
    }
}

}  // namespace
