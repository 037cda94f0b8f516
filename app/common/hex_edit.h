#pragma once

// A one-line edit for hexadecimal text. Typing lets through only what makes hex
// text: digits (main keys and keypad), A to F (shown in lower case), Delete and
// Backspace; key combinations with Ctrl keep their usual meaning. Whatever is
// pasted or dropped in keeps only its hex digits. A read-only box takes nothing
// from the operator, neither typed, pasted nor dropped: only the program fills it.

#include <QLineEdit>

namespace tilvane {

class CHexEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CHexEdit(QWidget *parent = nullptr);

    // Room for n bytes: 2n digits.
    void SetLimitBytes(int n);
    // The room in bytes, rounded up.
    int GetLimitBytes() const;
    // Whole bytes in the text (an odd last digit is not counted).
    int GetByteCount() const;

    // Inserts the hex digits of `text` at the cursor, replacing a selection, as
    // a paste does; a read-only box is left as it is.
    void InsertHexDigits(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // A typed digit or letter, unless the box is read-only.
    void Type(QChar c);
};

}  // namespace tilvane
