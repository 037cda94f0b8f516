#include "common/hex_text.h"

#include <QLineEdit>

#include <algorithm>

namespace tilvane {

std::optional<std::uint8_t> HexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return static_cast<std::uint8_t>(u - u'0');
    if (u >= u'A' && u <= u'F') return static_cast<std::uint8_t>(u - u'A' + 10);
    if (u >= u'a' && u <= u'f') return static_cast<std::uint8_t>(u - u'a' + 10);
    return std::nullopt;
}

std::optional<std::uint8_t> HexPairToByte(const QChar *chars, int n) {
    if (chars == nullptr || (n != 1 && n != 2)) return std::nullopt;
    const auto high = HexDigitValue(chars[0]);
    if (!high) return std::nullopt;
    if (n == 1) return high;
    const auto low = HexDigitValue(chars[1]);
    if (!low) return std::nullopt;
    return static_cast<std::uint8_t>(*high * 16 + *low);
}

QString HexDigitsOf(const QString &text) {
    QString digits;
    digits.reserve(text.size());
    for (QChar c : text) {
        if (HexDigitValue(c)) digits.append(c);
    }
    return digits;
}

Bytes HexToBytes(const QString &text) {
    const QString digits = HexDigitsOf(text);
    Bytes bytes;
    bytes.reserve(static_cast<std::size_t>((digits.size() + 1) / 2));
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int n = i + 1 < digits.size() ? 2 : 1;
        bytes.push_back(*HexPairToByte(digits.constData() + i, n));
    }
    return bytes;
}

Bytes HexToBytes(const QLineEdit *edit) {
    return edit != nullptr ? HexToBytes(edit->text()) : Bytes{};
}

std::optional<Bytes> ExactHexBytes(const QLineEdit *edit, int n) {
    if (edit == nullptr || n < 0) return std::nullopt;
    const QString digits = HexDigitsOf(edit->text());
    if (digits.size() != 2 * static_cast<qsizetype>(n)) return std::nullopt;
    return HexToBytes(digits);
}

bool HoldsWholeBytes(const QLineEdit *edit) {
    return edit == nullptr || HexDigitsOf(edit->text()).size() % 2 == 0;
}

void CopyHexInto(std::span<std::uint8_t> destination, const QLineEdit *edit) {
    const Bytes bytes = HexToBytes(edit);
    std::copy_n(bytes.begin(), std::min(destination.size(), bytes.size()), destination.begin());
}

QString BytesToHex(const std::uint8_t *bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    QString text;
    if (bytes == nullptr) return text;
    text.reserve(static_cast<qsizetype>(count * 2));
    for (std::size_t i = 0; i < count; ++i) {
        text.append(QLatin1Char(kDigits[bytes[i] >> 4]));
        text.append(QLatin1Char(kDigits[bytes[i] & 0x0F]));
    }
    return text;
}

QString BytesToHex(const Bytes &bytes) {
    return BytesToHex(bytes.data(), bytes.size());
}

void SetHexText(QLineEdit *edit, const std::uint8_t *bytes, int n) {
    if (edit == nullptr || bytes == nullptr) return;
    edit->setText(BytesToHex(bytes, n > 0 ? static_cast<std::size_t>(n) : 0));
}

void SetHexDword(QLineEdit *edit, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value),
        static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 24),
    };
    SetHexText(edit, bytes, 4);
}

}  // namespace tilvane
