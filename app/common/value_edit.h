#pragma once

// A plain one-line edit for a signed decimal value that ignores typed letters;
// digits, the minus sign and every other character go in.

#include <QLineEdit>

namespace tilvane {

class ValueEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The leading decimal number of a text, read the way the C library reads one:
// leading blanks, an optional sign, then digits up to the first other character;
// no digits give 0. Values beyond 32 bits are held at the nearest limit.
std::int32_t LeadingDecimal(const QString &text);

}  // namespace tilvane
