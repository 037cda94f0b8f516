#pragma once

// The common ground of the application tests: a private settings store, branding
// directory and data directory per test, message boxes answered by the test (and
// kept for reading), failure sounds counted, and the fake reader emptied; and, for
// tests that read the status band, a band of their own.

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTemporaryDir>

#include <deque>
#include <ostream>
#include <vector>

#include "common/message_box.h"
#include "common/operator_messages.h"
#include "common/status_band.h"
#include "fake_reader.h"

// Test failures print texts as text.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}

namespace app_test {

class AppTest : public ::testing::Test {
  protected:
    AppTest();
    ~AppTest() override;

    // The next answers to give to message boxes, in order; OK when none is left.
    void answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
    const std::vector<tilvane::MessageBoxRequest> &boxes() const { return boxes_; }
    // Text of the only box shown (fails the test when there is not exactly one).
    QString only_box_text() const;

    // Where this test's settings file and branding file live, and their contents.
    QString settings_file() const;
    QString config_directory() const { return directory_.path(); }
    // Where this test's pages keep their history files (made when first written).
    QString data_directory() const { return directory_.path() + QStringLiteral("/data"); }
    void write_settings(const QByteArray &contents) const;
    void write_app_config(const QByteArray &contents) const;

    int beeps() const { return beeps_; }

  private:
    QTemporaryDir directory_;
    std::deque<QMessageBox::StandardButton> answers_;
    std::vector<tilvane::MessageBoxRequest> boxes_;
    int beeps_ = 0;
};

// An AppTest whose messages go to a status band of its own.
class AppTestWithBand : public AppTest {
  protected:
    AppTestWithBand() { tilvane::SetStatusBand(&band); }
    ~AppTestWithBand() override { tilvane::SetStatusBand(nullptr); }

    tilvane::StatusBand band;
};

}  // namespace app_test
