#include "common/value_edit.h"

#include <QKeyEvent>

#include <cstdint>
#include <limits>

namespace tilvane {

void ValueEdit::keyPressEvent(QKeyEvent *event) {
    const QString text = event->text();
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (!control && text.size() == 1 && text.front().unicode() < 128 && text.front().isLetter()) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

std::int32_t LeadingDecimal(const QString &text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') ||
                               (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r')))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = std::min(value * 10 + (text[i].unicode() - u'0'), kLimit);
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

}  // namespace tilvane
