// The Ultralight, AT88RF020 and SR176 pages from the button to the card and back:
// the real library and transport against reader-sim, one simulator a card.

#include <gtest/gtest.h>

#include "pages/at88rf020_page.h"
#include "pages/sr176_page.h"
#include "pages/ultralight_page.h"
#include "page_test.h"

namespace {

class UltralightEndToEnd : public app_test::SimulatedPageTest<tilvane::CUltralightPage, 143> {
protected:
    using P = tilvane::CUltralightPage;
    UltralightEndToEnd() : SimulatedPageTest({"--card", "ultralight"}) {}
};

TEST_F(UltralightEndToEnd, SearchReadAndWriteADataPageThenLockIt) {
    connect_reader();
    click(P::IDC_SEARCH);
    EXPECT_EQ(band.text(), QStringLiteral("Search card successfully"));
    EXPECT_EQ(text(P::IDC_UID), QStringLiteral("046E315A2B4880"));

    choose(P::IDC_WRITE_PAGE, 5);
    set(P::IDC_PAGE3 + 2, "CAFE");
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    click(P::IDC_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(text(P::IDC_PAGE0), QStringLiteral("046E31D3"));  // UID0-2 and their check byte
    EXPECT_EQ(text(P::IDC_PAGE1), QStringLiteral("5A2B4880"));
    EXPECT_EQ(text(P::IDC_LOCK_BYTES), QStringLiteral("0000"));
    EXPECT_EQ(text(P::IDC_PAGE3 + 2), QStringLiteral("CAFE0000"));

    // Lock bit 5 of lock byte 0 locks page 5 for good.
    choose(P::IDC_WRITE_PAGE, 2);
    set(P::IDC_LOCK_BYTES, "2000");
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    EXPECT_TRUE(boxes().empty());
    choose(P::IDC_WRITE_PAGE, 5);
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: rf_ul_write"));
    click(P::IDC_SEARCH);  // a refused command sends the card back to idle
    click(P::IDC_READ);
    EXPECT_EQ(text(P::IDC_LOCK_BYTES), QStringLiteral("2000"));
    EXPECT_EQ(text(P::IDC_PAGE3 + 2), QStringLiteral("CAFE0000"));
}

class At88rf020EndToEnd : public app_test::SimulatedPageTest<tilvane::CAt88rf020Page, 133> {
protected:
    using P = tilvane::CAt88rf020Page;
    At88rf020EndToEnd() : SimulatedPageTest({"--card", "at88rf020"}) {}

    void search_and_check() {
        connect_reader();
        click(P::IDC_SEARCH);
        ASSERT_EQ(text(P::IDC_PUPI), QStringLiteral("4DAA2017"));
        set(P::IDC_PASSWORD, "0000000000000000");
        click(P::IDC_CHECK);
        ASSERT_EQ(band.text(), QStringLiteral("Check operation success"));
    }
};

TEST_F(At88rf020EndToEnd, AWrittenPageReadsBackAndALockedOneRefusesWrites) {
    search_and_check();
    choose(P::IDC_WRITE_PAGE, 5);
    set(P::IDC_PAGE3 + 2, "0102030405060708");
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    set(P::IDC_PAGE3 + 2, "");
    click(P::IDC_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(text(P::IDC_PAGE0_LOW), QStringLiteral("4DAA2017"));
    EXPECT_EQ(text(P::IDC_PAGE3 + 2), QStringLiteral("0102030405060708"));

    // Lock bit 5 locks page 5; page 0 then shows the lock bytes.
    set(P::IDC_LOCK_BYTES, "20000000");
    click(P::IDC_LOCK);
    EXPECT_EQ(band.text(), QStringLiteral("LOCK operation success"));
    EXPECT_EQ(text(P::IDC_PAGE0_HIGH), QStringLiteral("20000000"));
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: rf_at020_write"));
}

TEST_F(At88rf020EndToEnd, CountWritesTheSignatureAndRaisesTheCounter) {
    search_and_check();
    set(P::IDC_SIGNATURE, "A1A2A3A4A5A6");
    click(P::IDC_COUNT);
    EXPECT_EQ(band.text(), QStringLiteral("Count operation success"));
    EXPECT_EQ(text(P::IDC_PAGE2_SIGNATURE), QStringLiteral("A1A2A3A4A5A6"));
    EXPECT_EQ(text(P::IDC_PAGE2_COUNTER), QStringLiteral("0001"));

    click(P::IDC_DESELECT);
    EXPECT_EQ(band.text(), QStringLiteral("Operation Success!"));
    click(P::IDC_READ);  // a deselected card answers nothing
    EXPECT_EQ(band.text(), QStringLiteral("Error: 2 ,Function: Read page: 0 failed!"));
}

class Sr176EndToEnd : public app_test::SimulatedPageTest<tilvane::CSr176Page, 144> {
protected:
    using P = tilvane::CSr176Page;
    Sr176EndToEnd() : SimulatedPageTest({"--card", "sr176"}) {}
};

TEST_F(Sr176EndToEnd, WritesReadsAndProtectsBlocks) {
    connect_reader();
    click(P::IDC_SEARCH);
    EXPECT_EQ(text(P::IDC_CHIP_ID), QStringLiteral("06"));

    choose(P::IDC_WRITE_BLOCK, 7);
    set(P::IDC_BLOCK0 + 7, "BEEF");
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    click(P::IDC_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(text(P::IDC_BLOCK0), QStringLiteral("9004"));  // the UID's low end
    EXPECT_EQ(text(P::IDC_BLOCK0 + 7), QStringLiteral("BEEF"));

    // Bit 3 protects blocks 6 and 7 from the next selection on.
    set(P::IDC_LOCK_REGISTER, "08");
    click(P::IDC_LOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Lock block success"));
    ASSERT_EQ(boxes().size(), 1u);
    click(P::IDC_SEARCH);
    set(P::IDC_BLOCK0 + 7, "0000");
    click(P::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: rf_sr176_writeblock"));
}

}  // namespace
