// The status band: what each message function shows, with which mark, and when
// the failure sound plays.

#include <gtest/gtest.h>

#include "common/message_table.h"
#include "common/operator_messages.h"
#include "common/status_band.h"
#include "accessibility.h"
#include "app_test.h"

namespace {

using tilvane::StatusBand;
using Mark = tilvane::StatusBand::Mark;

class StatusBandTest : public app_test::AppTestWithBand {};

struct Shown {
    const char *name;
    void (*show)();
    const char *text;
    Mark mark;
    int beeps;
};

void PrintTo(const Shown &shown, std::ostream *os) {
    *os << shown.name;
}

class MessageForms : public StatusBandTest, public ::testing::WithParamInterface<Shown> {};

TEST_P(MessageForms, ShowTextMarkAndSound) {
    GetParam().show();
    EXPECT_EQ(band.text(), QString::fromUtf8(GetParam().text));
    EXPECT_EQ(band.mark(), GetParam().mark);
    EXPECT_EQ(beeps(), GetParam().beeps);
}

INSTANTIATE_TEST_SUITE_P(
    StatusBand, MessageForms,
    ::testing::Values(
        Shown{"failure_with_name", [] { tilvane::ShowResult(1, "rf_request"); },
              "Error: 1 ,Function: rf_request", Mark::Error, 1},
        Shown{"failure_in_lower_case_hex", [] { tilvane::ShowResult(0x1A, "rf_halt"); },
              "Error: 1a ,Function: rf_halt", Mark::Error, 1},
        Shown{"transport_failure", [] { tilvane::ShowResult(0x103, "rf_M1_read"); },
              "Error: 103 ,Function: rf_M1_read", Mark::Error, 1},
        Shown{"negative_status_as_unsigned", [] { tilvane::ShowResult(-3, nullptr); },
              "Error: fffffffd", Mark::Error, 1},
        Shown{"success_with_name", [] { tilvane::ShowResult(0, "rf_beep"); },
              " Operation success ,Function: rf_beep", Mark::Success, 0},
        Shown{"success_without_name", [] { tilvane::ShowResult(0); }, "Operation success",
              Mark::Success, 0},
        Shown{"wrong_size_answer", [] { tilvane::ShowFailedResult(0, "rf_anticoll"); },
              "Error: 0 ,Function: rf_anticoll", Mark::Error, 1},
        Shown{"error_text",
              [] { tilvane::ShowError(tilvane::Message(tilvane::kMsgCannotConnect)); },
              "Error: Cannot connect to device", Mark::Error, 1},
        Shown{"info_text", [] { tilvane::ShowInfo(QStringLiteral("Connect device success")); },
              "Connect device success", Mark::Success, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(StatusBandTest, KeepsItsMessageUntilTheNextOne) {
    tilvane::ShowResult(2, "rf_select");
    band.resize(400, 18);
    band.repaint();
    band.hide();
    band.show();
    EXPECT_EQ(band.text(), QStringLiteral("Error: 2 ,Function: rf_select"));
    tilvane::ShowInfo(QStringLiteral("next"));
    EXPECT_EQ(band.text(), QStringLiteral("next"));
    EXPECT_EQ(band.mark(), Mark::Success);
}

TEST_F(StatusBandTest, AScreenReaderReadsTheMessageAsTheStatus) {
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(&band);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->role(), QAccessible::StatusBar);

    tilvane::ShowInfo(QStringLiteral("Connect device success"));
    EXPECT_EQ(app_test::AccessibleName(&band), QStringLiteral("Connect device success"));
    tilvane::ShowResult(2, "rf_select");
    EXPECT_EQ(app_test::AccessibleName(&band), QStringLiteral("Error: 2 ,Function: rf_select"));
}

TEST_F(StatusBandTest, WithoutABandNothingBreaks) {
    tilvane::SetStatusBand(nullptr);
    tilvane::ShowResult(1, "rf_request");
    tilvane::ShowInfo(QStringLiteral("x"));
    EXPECT_EQ(band.text(), QString());
}

}  // namespace
