#pragma once

// Keys, UIDs and card data travel between the operator and the reader as
// hexadecimal text: two digits per byte, no separators. Only hex digits ever
// become bytes; any other character in a text is skipped.

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QLineEdit;

namespace tilvane {

using Bytes = std::vector<std::uint8_t>;

// Value of one hex digit, nullopt for any other character.
std::optional<std::uint8_t> HexDigitValue(QChar c);

// One byte from n = 1 or 2 digits (high digit first). nullopt for another n or
// when a character is not a hex digit.
std::optional<std::uint8_t> HexPairToByte(const QChar *chars, int n);

// The text's hex digits only, in order ("00 A4-04" gives "00A404").
QString HexDigitsOf(const QString &text);

// Bytes of the hex digits of a text, two digits per byte; an odd last digit
// becomes a byte of its own ("123" gives 12 03). An empty text gives no bytes.
Bytes HexToBytes(const QString &text);
Bytes HexToBytes(const QLineEdit *edit);

// The bytes of a box that must hold exactly n of them: exactly 2n hex digits.
// An odd last digit fails the check, so it never reaches a card as a byte.
std::optional<Bytes> ExactHexBytes(const QLineEdit *edit, int n);

// True when the box holds whole bytes: an even number of hex digits (none
// counts). Boxes whose bytes are sent as they stand or zero-padded are refused
// otherwise, so that a stray last digit never reaches a card as a byte.
bool HoldsWholeBytes(const QLineEdit *edit);

// Copies the bytes of a box into the front of `destination`, as many as fit; the
// rest of it is left as it was (zero-padded writes start from zeros).
void CopyHexInto(std::span<std::uint8_t> destination, const QLineEdit *edit);

// Two upper-case digits per byte.
QString BytesToHex(const std::uint8_t *bytes, std::size_t count);
QString BytesToHex(const Bytes &bytes);

// Shows n bytes in the edit; a null buffer leaves it alone, n = 0 empties it.
void SetHexText(QLineEdit *edit, const std::uint8_t *bytes, int n);
// Shows a 32-bit value as its four bytes, least significant first.
void SetHexDword(QLineEdit *edit, std::uint32_t value);

}  // namespace tilvane
