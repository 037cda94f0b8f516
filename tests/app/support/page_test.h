#pragma once

// A page of one type on the fake reader, connected, for tests that click its
// buttons and read its boxes by the controls' original identifiers. The page can
// be closed and opened again, as a page switch does.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell/app_state.h"
#include "tests/app/support/app_test.h"

namespace app_test {

template <typename Page>
class PageTest : public AppTestWithBand {
protected:
    explicit PageTest(int template_id) : template_id_(template_id) {
        state.api = fake_reader::api();
        state.sleep_ms = [this](unsigned ms) { sleeps.push_back(ms); };
        state.set_connected(true);
        reopen();
    }

    // Destroys the page and builds it again.
    void reopen() {
        page.reset();
        page = std::make_unique<Page>(state, template_id_);
        page->show();
    }

    template <typename T = QWidget>
    T *control(int id) {
        auto *widget = qobject_cast<T *>(page->Control(id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    void click(int id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }
    QString text(int id) { return control<QLineEdit>(id)->text(); }
    void set(int id, const QString &value) { control<QLineEdit>(id)->setText(value); }
    const std::vector<std::string> &calls() { return fake_reader::calls(); }

    tilvane::AppState state;
    std::vector<unsigned> sleeps;
    std::unique_ptr<Page> page;

private:
    int template_id_;
};

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
