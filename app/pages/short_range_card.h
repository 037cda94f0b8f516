#pragma once

// What the SR176 and SRIX4K pages share: both cards are found by the same
// short-range select, which answers with the chip ID, and both lock blocks
// through a one-byte register after a question.

#include <cstdint>
#include <functional>

class QLineEdit;
class QWidget;

namespace tilvane {

class AppState;

// Search: empties `chip_id`; with a port open, antenna off, protocol 's', 10 ms,
// antenna on and rf_st_select, up to twice, each failing step reported. On
// success `clear_blocks`, the chip ID shown and "Search card successfully".
bool SearchShortRangeCard(const AppState &state, QLineEdit *chip_id,
                          const std::function<void()> &clear_blocks);

// Lock: with a port open and exactly one byte in `value`, asks "Do you really
// need to lock block?" and on OK calls `write` with it, reported under
// `function_name`. A box of another length asks nothing and sends nothing.
void WriteLockRegister(QWidget *page, const AppState &state, const QLineEdit *value,
                       const std::function<std::int32_t(std::uint8_t)> &write,
                       const char *function_name);

}  // namespace tilvane
