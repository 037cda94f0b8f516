#pragma once

// A one-line edit for hexadecimal text. Typing lets through only what makes hex
// text: digits (main keys and keypad), A to F (shown in lower case), Delete and
// Backspace; key combinations with Ctrl keep their usual meaning. Whatever is
// pasted or dropped in keeps only its hex digits.

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
    // a paste does.
    void InsertHexDigits(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};

}  // namespace tilvane
