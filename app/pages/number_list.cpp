#include "pages/number_list.h"

#include <QComboBox>

namespace tilvane {

void FillNumbers(QComboBox *list, int first, int last) {
    for (int n = first; n <= last; ++n) list->addItem(QString::number(n), n);
}

void FillNumbers(QComboBox *list, std::span<const int> numbers) {
    for (const int n : numbers) list->addItem(QString::number(n), n);
}

int ItemData(const QComboBox *list) {
    const QVariant data = list->currentData();
    return data.isValid() ? data.toInt() : -1;
}

}  // namespace tilvane
