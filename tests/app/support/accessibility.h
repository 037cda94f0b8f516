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

// The text of the label that assistive technology relates to `widget` (its
// buddy label), empty when there is none. On this platform a list is named by
// its selected entry and introduced by that label.
inline QString AccessibleLabel(QWidget *widget) {
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget);
    if (node == nullptr) return {};
    for (const auto &[label, relation] : node->relations(QAccessible::Label)) {
        if (label != nullptr) return label->text(QAccessible::Name);
    }
    return {};
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
