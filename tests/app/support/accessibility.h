#pragma once

// Finding controls the way an operator with a screen reader meets them: by the
// name the accessibility tree announces.

#include <QAccessible>
#include <QString>
#include <QWidget>

namespace app_test {

// The name assistive technology announces for `widget`.
inline QString AccessibleName(QWidget *widget) {
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget);
    return node ? node->text(QAccessible::Name) : QString();
}

// The first descendant of `root` of type T announced as `name`;
// null when there is none.
template <typename T>
T *FindByAccessibleName(QWidget *root, const QString &name) {
    for (T *candidate : root->findChildren<T *>()) {
        if (AccessibleName(candidate) == name) return candidate;
    }
    return nullptr;
}

}  // namespace app_test
