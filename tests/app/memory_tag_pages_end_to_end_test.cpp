// Whole operations of the ISO 15693 and SRIX4K pages: the real library and
// transport against reader-sim, driven through the pages' own widgets.

#include <gtest/gtest.h>

#include <memory>

#include "app/pages/iso15693_page.h"
#include "app/pages/srix4k_page.h"
#include "app/shell/app_state.h"
#include "tests/app/support/app_test.h"
#include "tests/app/support/page_driver.h"
#include "tests/app/support/simulated_reader.h"

namespace {

// A page of type Page on a connected reader-sim holding one card of `kind`.
template <typename Page>
class PageOnSimulator : public app_test::AppTestWithBand {
protected:
    explicit PageOnSimulator(const char *kind) : reader({"--card", kind, "--baud", "9600"}) {
        state.com_port = 1;
        state.baud_rate = 0;  // 9600, where the simulated reader starts
        state.sleep_ms = [](unsigned) {};
    }

    void SetUp() override {
        ASSERT_TRUE(reader.ready()) << reader.why_not().toStdString();
        state.api = reader.api();
        ASSERT_EQ(state.api.rf_init_com(state.com_port, state.baud()), 0);
        state.set_connected(true);
        page = std::make_unique<Page>(state);
        page->resize(1276, 860);
        page->show();
        page->LayoutForScreen(1280);
        ui = std::make_unique<app_test::PageDriver>(*page);
    }

    app_test::SimulatedReader reader;
    tilvane::AppState state;
    std::unique_ptr<Page> page;
    std::unique_ptr<app_test::PageDriver> ui;
};

struct Tag {
    const char *kind;
    const char *uid;
    int blocks;
};

void PrintTo(const Tag &tag, std::ostream *os) { *os << tag.kind; }

using P = tilvane::CIso15693Page;

class Iso15693OnSimulator : public PageOnSimulator<P>, public ::testing::WithParamInterface<Tag> {
protected:
    Iso15693OnSimulator() : PageOnSimulator(GetParam().kind) {}
};

TEST_P(Iso15693OnSimulator, SystemInformationThenReadWriteAndLockOfABlock) {
    const Tag &tag = GetParam();
    ui->click(P::IDC_GET_INFORMATION);
    EXPECT_EQ(band.text(), QString::fromUtf8("Get Information操作成功"));
    EXPECT_EQ(ui->text(P::IDC_UID), QString::fromLatin1(tag.uid));
    EXPECT_EQ(page->sixty_four_blocks(), tag.blocks == 64);

    ui->choose(P::IDC_BLOCK, 3);
    ui->set(P::IDC_BLOCK_DATA + 3, "11223344");
    ui->click(P::IDC_WRITE_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("success"));
    ui->click(P::IDC_LOCK_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Success"));

    ui->click(P::IDC_READ);
    EXPECT_EQ(band.text(), QStringLiteral("success"));
    EXPECT_EQ(ui->text(P::IDC_BLOCK_DATA + 3), QStringLiteral("11223344"));
    EXPECT_EQ(ui->text(P::IDC_BLOCK_STATUS + 3), QStringLiteral("01"));
    EXPECT_EQ(ui->text(P::IDC_BLOCK_STATUS + 2), QStringLiteral("00"));
    EXPECT_EQ(ui->text(P::IDC_BLOCK_DATA + tag.blocks - 1), QStringLiteral("00000000"));
    EXPECT_EQ(ui->text(P::IDC_BLOCK_DATA + 28).isEmpty(), tag.blocks == 28);

    ui->click(P::IDC_WRITE_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: ISO15693_Write"));
    ui->click(P::IDC_LOCK_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 9 ,Function: ISO15693_Lock_Block"));

    // A new page (the family chosen again) reads 64 blocks until it has asked the
    // tag: a smaller tag says so rather than leaving blocks out.
    page = std::make_unique<P>(state);
    ui = std::make_unique<app_test::PageDriver>(*page);
    ui->set(P::IDC_UID, tag.uid);
    ui->click(P::IDC_READ);
    EXPECT_EQ(band.text(), tag.blocks == 64 ? QStringLiteral("success")
                                            : QStringLiteral("Error: 8 ,Function: ISO15693_Read"));
}

INSTANTIATE_TEST_SUITE_P(Tags, Iso15693OnSimulator,
                         ::testing::Values(Tag{"iso15693", "8E103352A1C607E0", 64},
                                           Tag{"icode", "C7923A4F000104E0", 28}),
                         [](const auto &info) { return std::string(info.param.kind); });

using S = tilvane::CSrix4kPage;

class Srix4kOnSimulator : public PageOnSimulator<S> {
protected:
    Srix4kOnSimulator() : PageOnSimulator("srix4k") {}
};

TEST_F(Srix4kOnSimulator, SearchReadWriteAndTheLockRegister) {
    ui->click(S::IDC_SEARCH);
    EXPECT_EQ(band.text(), QStringLiteral("Search card successfully"));
    EXPECT_EQ(ui->text(S::IDC_CHIP_ID), QStringLiteral("5D"));
    ui->click(S::IDC_READ_UID);
    EXPECT_EQ(band.text(), QStringLiteral("Read UID success"));
    EXPECT_EQ(ui->text(S::IDC_UID), QStringLiteral("D0020C4B1372A9E5"));

    ui->choose(S::IDC_BLOCK, 100);
    ui->set(S::IDC_BLOCK_DATA + 100, "CAFEF00D");
    ui->click(S::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    ui->click(S::IDC_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(ui->text(S::IDC_BLOCK_DATA + 5), QStringLiteral("FFFFFFFE"));  // a counter
    EXPECT_EQ(ui->text(S::IDC_BLOCK_DATA + 100), QStringLiteral("CAFEF00D"));

    // Clearing bit 0 of the lock register locks blocks 7 and 8.
    ui->set(S::IDC_LOCK_REGISTER, "FE");
    ui->click(S::IDC_LOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Lock block success"));
    ASSERT_EQ(boxes().size(), 1u);
    ui->choose(S::IDC_BLOCK, 8);
    ui->set(S::IDC_BLOCK_DATA + 8, "01020304");
    ui->click(S::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: rf_srix4k_writeblock"));
}

}  // namespace
