#pragma once

// Working a modal dialog from a test: the dialog runs its own event loop, so the
// test's steps run from inside it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace app_test {

// Clicks `button`, which opens a modal dialog of type Dialog, and runs `work` on
// the dialog while it is open; the dialog is closed afterwards if `work` left it
// open.
template <typename Dialog>
void WithModalDialog(QPushButton *button, const std::function<void(Dialog *)> &work) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        ran = dialog != nullptr;
        if (dialog == nullptr) return;
        work(dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    // Without a dialog the check runs here, while `ran` still exists.
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran) << "no dialog was opened";
}

}  // namespace app_test
