// The ISO 14443-4 and SAM pages over the real library and transport against
// reader-sim: a processor card reset and asked for a challenge, the SAM reset and
// sent a command, DES on the host, and the history found again by a new page.

#include <gtest/gtest.h>

#include <QRadioButton>

#include "common/result_list.h"
#include "pages/cos_exchange.h"
#include "pages/iso14443_part4_page.h"
#include "pages/sam_page.h"
#include "page_test.h"

namespace {

// A page on a simulated reader with a Type A processor card, its port open.
template <typename Page>
class OnSimulatedReader : public app_test::SimulatedPageTest<Page, Page::kLarge> {
protected:
    OnSimulatedReader()
        : app_test::SimulatedPageTest<Page, Page::kLarge>({"--card", "cpu-a", "--baud", "9600"}) {}

    void SetUp() override {
        app_test::SimulatedPageTest<Page, Page::kLarge>::SetUp();
        if (!this->HasFatalFailure()) this->connect_reader();
    }

    // Closes the page, as a page switch does, and opens it again.
    void reopen() {
        this->page_.reset();
        this->page();
    }
    std::vector<std::string> history() {
        const auto &entries = this->page().exchange().history().entries();
        return {entries.begin(), entries.end()};
    }
};

using IsoOnSimulatedReader = OnSimulatedReader<tilvane::CIso14443Part4Page>;
using SamOnSimulatedReader = OnSimulatedReader<tilvane::CSamPage>;

TEST_F(IsoOnSimulatedReader, ResetsTheCardAndGetsAChallenge) {
    using P = tilvane::CIso14443Part4Page;
    click(P::IDC_RESET);
    EXPECT_EQ(band.text(), QStringLiteral("Reset operation success"));
    EXPECT_EQ(text(P::IDC_CSN), QStringLiteral("3E81226D"));
    EXPECT_FALSE(text(P::IDC_RESET_INFO).isEmpty());

    set(P::IDC_COMMAND, "0084000008");
    click(P::IDC_SEND);
    EXPECT_EQ(band.text(), QStringLiteral("Send operation success"));
    const QStringList answers = control<tilvane::ResultList>(P::IDC_RESULT)->Entries();
    ASSERT_EQ(answers.size(), 1);
    EXPECT_EQ(answers[0].size(), 20);  // 8 random bytes and the status word
    EXPECT_TRUE(answers[0].endsWith("9000"));

    // A new page finds the command in the history file.
    reopen();
    EXPECT_EQ(history(), std::vector<std::string>{"0084000008"});
}

TEST_F(SamOnSimulatedReader, ResetsTheSamAndSelectsItsApplication) {
    using P = tilvane::CSamPage;
    control<QRadioButton>(P::IDC_RATE_38400)->setChecked(true);
    click(P::IDC_RESET);
    EXPECT_EQ(band.text(), QStringLiteral("Reset operation success"));
    EXPECT_TRUE(text(P::IDC_RESET_INFO).startsWith("3B"));

    set(P::IDC_COMMAND, "00A4040008F054494C5653414D");
    click(P::IDC_SEND);
    EXPECT_EQ(band.text(), QStringLiteral("Send operation success"));
    const QStringList answers = control<tilvane::ResultList>(P::IDC_RESULT)->Entries();
    ASSERT_EQ(answers.size(), 1);
    EXPECT_TRUE(answers[0].endsWith("9000"));
    reopen();
    EXPECT_EQ(history(), std::vector<std::string>{"00A4040008F054494C5653414D"});
}

TEST_F(SamOnSimulatedReader, DesGivesThePublishedAnswersAndUndoesItself) {
    using P = tilvane::CSamPage;
    struct Case {
        const char *key, *key2, *data, *cipher;
    };
    // A published single-DES answer; triple DES with equal halves is single DES.
    for (const Case &c : {Case{"133457799BBCDFF1", "", "0123456789ABCDEF", "85E813540F0AB405"},
                          Case{"133457799BBCDFF1", "133457799BBCDFF1", "0123456789ABCDEF",
                               "85E813540F0AB405"}}) {
        set(P::IDC_KEY, c.key);
        set(P::IDC_KEY_2, c.key2);
        set(P::IDC_DATA, c.data);
        click(P::IDC_ENCRYPT);
        EXPECT_EQ(text(P::IDC_DES_RESULT), QString::fromLatin1(c.cipher)) << c.key2;
        set(P::IDC_DATA, text(P::IDC_DES_RESULT));
        click(P::IDC_DECRYPT);
        EXPECT_EQ(text(P::IDC_DES_RESULT), QString::fromLatin1(c.data)) << c.key2;
    }
}

}  // namespace
