#pragma once

// Drop-down lists of numbers (sectors, blocks, pages): every entry shows its
// number in decimal and carries it as item data, which is what handlers read.

#include <span>

class QComboBox;

namespace tilvane {

void FillNumbers(QComboBox *list, int first, int last);
void FillNumbers(QComboBox *list, std::span<const int> numbers);

// The number of the selected entry; -1 while none is selected.
int ItemData(const QComboBox *list);

}  // namespace tilvane
