// The application's hold on the library: it starts only when every export it
// calls is bound, and does not ask for those it has no use for.

#include <gtest/gtest.h>

#include "shell/reader_library.h"

namespace {

TEST(ReaderLibrary, AMissingFileIsNotLoaded) {
    tilvane::ReaderLibrary library;
    EXPECT_FALSE(library.Load(QStringLiteral(TILVANE_TEST_DIR "/no-such-dir/libDrovik.so")));
    EXPECT_FALSE(library.loaded());
    EXPECT_FALSE(library.error().empty());
}

TEST(ReaderLibrary, TheBuiltLibraryBindsEveryExportTheApplicationUses) {
    tilvane::ReaderLibrary library;
    ASSERT_TRUE(library.Load(QStringLiteral(TILVANE_BIN_DIR "/libDrovik.so")));
    EXPECT_EQ(library.missing_ordinal(), 0);
    std::uint32_t version = 0;
    EXPECT_EQ(library.api().lib_ver(&version), 0);
    EXPECT_EQ(version, 2u);
}

TEST(ReaderLibrary, TheCopyLackingOrdinal21IsRefusedButStaysLoaded) {
    tilvane::ReaderLibrary library;
    EXPECT_FALSE(library.Load(QStringLiteral(TILVANE_LACKING_21_LIBRARY)));
    EXPECT_TRUE(library.loaded());
    EXPECT_EQ(library.missing_ordinal(), 21);
    EXPECT_EQ(library.api().rf_M1_authentication2, nullptr);
    EXPECT_NE(library.api().rf_M1_authentication1, nullptr);
    EXPECT_NE(library.api().rf_M1_read, nullptr);
    library.Unload();
    EXPECT_FALSE(library.loaded());
}

TEST(ReaderLibrary, ACopyLackingOnlyTheExportsWithoutAPageStillStarts) {
    tilvane::ReaderLibrary library;
    EXPECT_TRUE(library.Load(QStringLiteral(TILVANE_LACKING_72_TO_75_LIBRARY)));
    EXPECT_EQ(library.missing_ordinal(), 0);
    EXPECT_EQ(library.api().rf_flash_read, nullptr);
    EXPECT_NE(library.api().rf_getlockcardinfo, nullptr);
}

TEST(ReaderLibrary, TheApplicationUsesEveryExportButTheFourWithoutAPage) {
    int used = 0;
    for (std::uint16_t ordinal = 1; ordinal <= 100; ++ordinal) used += tilvane::UsedByApplication(ordinal);
    EXPECT_FALSE(tilvane::UsedByApplication(72));
    EXPECT_FALSE(tilvane::UsedByApplication(75));
    EXPECT_TRUE(tilvane::UsedByApplication(100));
    EXPECT_EQ(used, 100 - 4);
}

}  // namespace
