#pragma once

// Fixtures for the card pages: the page's controls worked by their original
// identifiers as an operator works them (click, type, choose), over the reader of
// fakes or over the real library and reader-sim.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "pages/card_page.h"
#include "common/app_state.h"
#include "app_test.h"
#include "fake_reader.h"
#include "simulated_reader.h"

namespace app_test {

using Calls = std::vector<std::string>;

// The controls of the page on test, by identifier.
class PageTest : public AppTestWithBand {
protected:
    virtual tilvane::CardPage &shown_page() = 0;

    template <typename T = QWidget>
    T *control(int id) {
        auto *widget = qobject_cast<T *>(shown_page().Control(id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    void click(int id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }
    QString text(int id) { return control<QLineEdit>(id)->text(); }
    void set(int id, const QString &value) { control<QLineEdit>(id)->setText(value); }
    void choose(int list, int number) {
        auto *combo = control<QComboBox>(list);
        const int index = combo->findData(number);
        ASSERT_GE(index, 0) << "list " << list << " has no " << number;
        combo->setCurrentIndex(index);
    }
    QStringList entries(int list) {
        QStringList texts;
        auto *combo = control<QComboBox>(list);
        for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        return texts;
    }
};

// A page of template `kTemplate` over the reader of fakes, with a port open; the
// pauses of a search are recorded instead of waited.
template <typename Page, int kTemplate>
class FakeReaderPageTest : public PageTest {
protected:
    FakeReaderPageTest() {
        state.api = fake_reader::api();
        state.sleep_ms = [this](unsigned ms) { sleeps.push_back(ms); };
        state.set_connected(true);
        page.show();
    }
    tilvane::CardPage &shown_page() override { return page; }
    const Calls &calls() { return fake_reader::calls(); }

    tilvane::AppState state;
    std::vector<unsigned> sleeps;
    Page page{state, kTemplate};
};

// A page of template `kTemplate` over the real library and reader-sim started
// with `arguments`, on port 1 at 9600 baud; the page is built on first use.
template <typename Page, int kTemplate>
class SimulatedPageTest : public PageTest {
protected:
    explicit SimulatedPageTest(const std::vector<std::string> &arguments) : reader(arguments) {
        state.com_port = 1;
        state.baud_rate = 0;  // 9600, where the simulated reader starts
        state.sleep_ms = [](unsigned) {};
    }

    void SetUp() override {
        ASSERT_TRUE(reader.ready()) << reader.why_not().toStdString();
        state.api = reader.api();
    }

    // Opens the port as the main window's Connect does.
    void connect_reader() {
        ASSERT_EQ(state.api.rf_init_com(state.com_port, state.baud()), 0);
        state.set_connected(true);
    }
    Page &page() {
        if (!page_) {
            page_ = std::make_unique<Page>(state, kTemplate);
            page_->show();
        }
        return *page_;
    }
    tilvane::CardPage &shown_page() override { return page(); }

    SimulatedReader reader;
    tilvane::AppState state;
    std::unique_ptr<Page> page_;
};

}  // namespace app_test
