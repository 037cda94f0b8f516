// Whole operations of the ISO 15693 and SRIX4K pages: the real library and
// transport against reader-sim, driven through the pages' own widgets.

#include <gtest/gtest.h>

#include "pages/iso15693_page.h"
#include "pages/srix4k_page.h"
#include "page_test.h"

namespace {

// A page that fills the view, on a connected reader-sim holding one card of
// `kind`, laid out for a screen 1280 pixels wide.
template <typename Page, int kTemplate>
class FullViewPageOnSimulator : public app_test::SimulatedPageTest<Page, kTemplate> {
protected:
    using Base = app_test::SimulatedPageTest<Page, kTemplate>;
    explicit FullViewPageOnSimulator(const char *kind) : Base({"--card", kind, "--baud", "9600"}) {}

    void SetUp() override {
        Base::SetUp();
        if (this->HasFatalFailure()) return;
        this->connect_reader();
        this->page().resize(1276, 860);
        this->page().LayoutForScreen(1280);
    }
};

struct Tag {
    const char *kind;
    const char *uid;
    int blocks;
};

void PrintTo(const Tag &tag, std::ostream *os) { *os << tag.kind; }

using P = tilvane::CIso15693Page;

class Iso15693OnSimulator : public FullViewPageOnSimulator<P, 146>,
                            public ::testing::WithParamInterface<Tag> {
protected:
    Iso15693OnSimulator() : FullViewPageOnSimulator(GetParam().kind) {}
};

TEST_P(Iso15693OnSimulator, SystemInformationThenReadWriteAndLockOfABlock) {
    const Tag &tag = GetParam();
    click(P::IDC_GET_INFORMATION);
    EXPECT_EQ(band.text(), QString::fromUtf8("Get Information操作成功"));
    EXPECT_EQ(text(P::IDC_UID), QString::fromLatin1(tag.uid));
    EXPECT_EQ(page().sixty_four_blocks(), tag.blocks == 64);

    choose(P::IDC_BLOCK, 3);
    set(P::IDC_BLOCK_DATA + 3, "11223344");
    click(P::IDC_WRITE_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("success"));
    click(P::IDC_LOCK_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Success"));

    click(P::IDC_READ);
    EXPECT_EQ(band.text(), QStringLiteral("success"));
    EXPECT_EQ(text(P::IDC_BLOCK_DATA + 3), QStringLiteral("11223344"));
    EXPECT_EQ(text(P::IDC_BLOCK_STATUS + 3), QStringLiteral("01"));
    EXPECT_EQ(text(P::IDC_BLOCK_STATUS + 2), QStringLiteral("00"));
    EXPECT_EQ(text(P::IDC_BLOCK_DATA + tag.blocks - 1), QStringLiteral("00000000"));
    EXPECT_EQ(text(P::IDC_BLOCK_DATA + 28).isEmpty(), tag.blocks == 28);

    click(P::IDC_WRITE_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: ISO15693_Write"));
    click(P::IDC_LOCK_BLOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 9 ,Function: ISO15693_Lock_Block"));

    // A new page (the family chosen again) reads 64 blocks until it has asked the
    // tag: a smaller tag says so rather than leaving blocks out.
    page_ = std::make_unique<P>(state, 146);
    set(P::IDC_UID, tag.uid);
    click(P::IDC_READ);
    EXPECT_EQ(band.text(), tag.blocks == 64 ? QStringLiteral("success")
                                            : QStringLiteral("Error: 8 ,Function: ISO15693_Read"));
}

INSTANTIATE_TEST_SUITE_P(Tags, Iso15693OnSimulator,
                         ::testing::Values(Tag{"iso15693", "8E103352A1C607E0", 64},
                                           Tag{"icode", "C7923A4F000104E0", 28}),
                         [](const auto &info) { return std::string(info.param.kind); });

using S = tilvane::CSrix4kPage;

class Srix4kOnSimulator : public FullViewPageOnSimulator<S, 145> {
protected:
    Srix4kOnSimulator() : FullViewPageOnSimulator("srix4k") {}
};

TEST_F(Srix4kOnSimulator, SearchReadWriteAndTheLockRegister) {
    click(S::IDC_SEARCH);
    EXPECT_EQ(band.text(), QStringLiteral("Search card successfully"));
    EXPECT_EQ(text(S::IDC_CHIP_ID), QStringLiteral("5D"));
    click(S::IDC_READ_UID);
    EXPECT_EQ(band.text(), QStringLiteral("Read UID success"));
    EXPECT_EQ(text(S::IDC_UID), QStringLiteral("D0020C4B1372A9E5"));

    choose(S::IDC_BLOCK, 100);
    set(S::IDC_BLOCK_DATA + 100, "CAFEF00D");
    click(S::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Write card successfully"));
    click(S::IDC_READ);
    EXPECT_EQ(band.text(), QStringLiteral("Read card successfully"));
    EXPECT_EQ(text(S::IDC_BLOCK_DATA + 5), QStringLiteral("FFFFFFFE"));  // a counter
    EXPECT_EQ(text(S::IDC_BLOCK_DATA + 100), QStringLiteral("CAFEF00D"));

    // Clearing bit 0 of the lock register locks blocks 7 and 8.
    set(S::IDC_LOCK_REGISTER, "FE");
    click(S::IDC_LOCK);
    EXPECT_EQ(band.text(), QStringLiteral("Lock block success"));
    ASSERT_EQ(boxes().size(), 1u);
    choose(S::IDC_BLOCK, 8);
    set(S::IDC_BLOCK_DATA + 8, "01020304");
    click(S::IDC_WRITE);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 6 ,Function: rf_srix4k_writeblock"));
}

}  // namespace
