#pragma once

// Finding controls the way an operator with a screen reader meets them: by the
// name the accessibility tree announces.

#include <QAccessible>
#include <QString>
#include <QWidget>

namespace app_test {

// The name assistive technology announces for `widget`: the label it is
// labelled by where it has one (on Linux a drop-down list's own name is its
// current entry, and screen readers announce its label), else its own name.
inline QString AccessibleName(QWidget *widget) {
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget);
    if (node == nullptr) return QString();
    for (const auto &[label, relation] : node->relations(QAccessible::Label)) {
        if (label != nullptr) return label->text(QAccessible::Name);
    }
    return node->text(QAccessible::Name);
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
