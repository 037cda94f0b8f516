// Binding the library by ordinal: every one of the 72 entries must be found, and
// a library that lacks any one of them is refused.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/shell/reader_api.h"
#include "app/shell/reader_library.h"

namespace {

using tilvane::ReaderApi;

const std::vector<std::uint16_t> &BoundOrdinals() {
    static const std::vector<std::uint16_t> ordinals = [] {
        std::vector<std::uint16_t> list;
        for (std::uint16_t n = 1; n <= 71; ++n) list.push_back(n);
        list.push_back(100);
        return list;
    }();
    return ordinals;
}

void *AddressOf(std::uint16_t ordinal) {
    return reinterpret_cast<void *>(std::uintptr_t{0x10000} + ordinal);
}

// The entries of a table as (ordinal, address).
std::vector<std::pair<std::uint16_t, void *>> Entries(const ReaderApi &api) {
    std::vector<std::pair<std::uint16_t, void *>> entries;
#define TILVANE_ENTRY(ordinal, name) \
    entries.emplace_back(ordinal, reinterpret_cast<void *>(api.name));
    TILVANE_READER_API_ENTRIES(TILVANE_ENTRY)
#undef TILVANE_ENTRY
    return entries;
}

TEST(BindReaderApi, LooksUpThe72OrdinalsInAscendingOrderWith100Last) {
    std::vector<std::uint16_t> asked;
    ReaderApi api;
    const auto missing = tilvane::BindReaderApi(
        [&](std::uint16_t ordinal) {
            asked.push_back(ordinal);
            return AddressOf(ordinal);
        },
        api);
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(asked, BoundOrdinals());
    EXPECT_EQ(static_cast<int>(asked.size()), tilvane::kBoundExportCount);
    for (const auto &[ordinal, address] : Entries(api)) {
        EXPECT_EQ(address, AddressOf(ordinal)) << "ordinal " << ordinal;
    }
}

class OneOrdinalMissing : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(OneOrdinalMissing, IsReportedAndTheOthersAreStillBound) {
    const std::uint16_t absent = GetParam();
    std::set<std::uint16_t> asked;
    ReaderApi api;
    const auto missing = tilvane::BindReaderApi(
        [&](std::uint16_t ordinal) -> void * {
            asked.insert(ordinal);
            return ordinal == absent ? nullptr : AddressOf(ordinal);
        },
        api);
    EXPECT_EQ(missing, absent);
    EXPECT_EQ(asked.size(), 72u);  // all looked up, even after the miss
    for (const auto &[ordinal, address] : Entries(api)) {
        EXPECT_EQ(address, ordinal == absent ? nullptr : AddressOf(ordinal));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBoundOrdinal, OneOrdinalMissing,
                         ::testing::ValuesIn(BoundOrdinals()));

TEST(ReaderLibrary, AMissingFileIsNotLoaded) {
    tilvane::ReaderLibrary library;
    EXPECT_FALSE(library.Load(QStringLiteral(TILVANE_TEST_DIR "/no-such-dir/libDrovik.so")));
    EXPECT_FALSE(library.loaded());
    EXPECT_FALSE(library.error().empty());
}

TEST(ReaderLibrary, TheBuiltLibraryBindsAll72) {
    tilvane::ReaderLibrary library;
    ASSERT_TRUE(library.Load(QStringLiteral(TILVANE_BIN_DIR "/libDrovik.so")));
    EXPECT_EQ(library.missing_ordinal(), 0);
    std::uint32_t version = 0;
    EXPECT_EQ(library.api().lib_ver(&version), 0);
    EXPECT_EQ(version, 2u);
}

TEST(ReaderLibrary, EveryBoundEntryIsTheExportOfItsName) {
    const QString path = QStringLiteral(TILVANE_BIN_DIR "/libDrovik.so");
    tilvane::ReaderLibrary library;
    ASSERT_TRUE(library.Load(path));
    // The same library again, looked up by name this time.
    const auto by_name = platform::Module::load(path.toStdString());
    ASSERT_TRUE(by_name.loaded());
#define TILVANE_EXPECT_NAMED(ordinal, name)                                         \
    EXPECT_EQ(reinterpret_cast<void *>(library.api().name), by_name.resolve(#name)) \
        << "ordinal " << ordinal << " is bound as " #name;
    TILVANE_READER_API_ENTRIES(TILVANE_EXPECT_NAMED)
#undef TILVANE_EXPECT_NAMED
}

TEST(ReaderLibrary, TheCopyLackingOrdinal21IsRefusedButStaysLoaded) {
    tilvane::ReaderLibrary library;
    EXPECT_FALSE(library.Load(QStringLiteral(TILVANE_MISSING_ORDINAL_LIBRARY)));
    EXPECT_TRUE(library.loaded());
    EXPECT_EQ(library.missing_ordinal(), 21);
    EXPECT_EQ(library.api().rf_M1_authentication2, nullptr);
    EXPECT_NE(library.api().rf_M1_authentication1, nullptr);
    EXPECT_NE(library.api().rf_M1_read, nullptr);
    library.Unload();
    EXPECT_FALSE(library.loaded());
}

}  // namespace
