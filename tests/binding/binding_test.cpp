// The host-side binding: every export looked up by its ordinal, the table typed as
// the header declares, and the description of each export's parameters.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "binding/export_descriptions.h"
#include "binding/reader_library.h"
#include "platform/module.h"

namespace {

using binding::ReaderApi;

std::vector<std::uint16_t> ListedOrdinals() {
    std::vector<std::uint16_t> ordinals;
#define LISTED(ordinal, ...) ordinals.push_back(ordinal);
    DROVIK_EXPORTS(LISTED)
#undef LISTED
    return ordinals;
}

void *AddressOf(std::uint16_t ordinal) {
    return reinterpret_cast<void *>(std::uintptr_t{0x10000} + ordinal);
}

// The entries of a table as (ordinal, address).
std::vector<std::pair<std::uint16_t, void *>> Entries(const ReaderApi &api) {
    std::vector<std::pair<std::uint16_t, void *>> entries;
#define ENTRY(ordinal, name, ...) entries.emplace_back(ordinal, reinterpret_cast<void *>(api.name));
    DROVIK_EXPORTS(ENTRY)
#undef ENTRY
    return entries;
}

TEST(BindReaderApi, LooksUpAll76OrdinalsInAscendingOrderWith100Last) {
    std::vector<std::uint16_t> asked;
    ReaderApi api;
    const auto missing = binding::bind_reader_api(
        [&](std::uint16_t ordinal) {
            asked.push_back(ordinal);
            return AddressOf(ordinal);
        },
        api);
    EXPECT_TRUE(missing.empty());
    std::vector<std::uint16_t> expected;
    for (std::uint16_t n = 1; n <= 75; ++n) expected.push_back(n);
    expected.push_back(100);
    EXPECT_EQ(asked, expected);
    for (const auto &[ordinal, address] : Entries(api)) {
        EXPECT_EQ(address, AddressOf(ordinal)) << "ordinal " << ordinal;
    }
}

TEST(BindReaderApi, EveryMissingOrdinalIsReportedAndTheOthersAreStillBound) {
    for (const std::uint16_t absent : ListedOrdinals()) {
        ReaderApi api;
        const auto missing = binding::bind_reader_api(
            [&](std::uint16_t ordinal) { return ordinal == absent ? nullptr : AddressOf(ordinal); },
            api);
        EXPECT_EQ(missing, std::vector<std::uint16_t>{absent});
        for (const auto &[ordinal, address] : Entries(api)) {
            EXPECT_EQ(address, ordinal == absent ? nullptr : AddressOf(ordinal));
        }
    }
}

TEST(ReaderLibrary, EveryEntryOfTheBuiltLibraryIsTheExportOfItsName) {
    binding::ReaderLibrary library;
    ASSERT_TRUE(library.load(binding::ReaderLibrary::file_in(TILVANE_BIN_DIR)));
    EXPECT_TRUE(library.missing().empty());
    const auto by_name = platform::Module::load(library.path());
    ASSERT_TRUE(by_name.loaded());
#define EXPECT_NAMED(ordinal, name, ...)                                            \
    EXPECT_EQ(reinterpret_cast<void *>(library.api().name), by_name.resolve(#name)) \
        << "ordinal " << ordinal << " is bound as " #name;
    DROVIK_EXPORTS(EXPECT_NAMED)
#undef EXPECT_NAMED
    EXPECT_EQ(library.transport_version(), 1);
}

TEST(ReaderLibrary, ALibraryLackingExportsLoadsWithThoseEntriesNull) {
    binding::ReaderLibrary library;
    ASSERT_TRUE(library.load(TILVANE_LACKING_72_TO_75_LIBRARY));
    EXPECT_EQ(library.missing(), (std::vector<std::uint16_t>{72, 73, 74, 75}));
    EXPECT_EQ(library.api().rf_display, nullptr);
    EXPECT_NE(library.api().rf_getlockcardinfo, nullptr);
    library.unload();
    EXPECT_FALSE(library.loaded());
    EXPECT_TRUE(library.missing().empty());
}

TEST(ReaderLibrary, AMissingFileIsNotLoadedAndSaysWhy) {
    binding::ReaderLibrary library;
    EXPECT_FALSE(library.load(binding::ReaderLibrary::file_in(TILVANE_BIN_DIR "/no-such-dir")));
    EXPECT_FALSE(library.error().empty());
    EXPECT_EQ(library.transport_version(), std::nullopt);
}

TEST(ExportDescriptions, ListEveryExportOnceInBindingOrder) {
    const auto &descriptions = binding::export_descriptions();
    ASSERT_EQ(descriptions.size(), ListedOrdinals().size());
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < descriptions.size(); ++i) {
        EXPECT_EQ(descriptions[i].ordinal, ListedOrdinals()[i]);
        EXPECT_TRUE(names.insert(descriptions[i].name).second) << descriptions[i].name;
        EXPECT_EQ(binding::find_export(descriptions[i].name), &descriptions[i]);
    }
    EXPECT_EQ(binding::find_export("rf_no_such_export"), nullptr);
}

TEST(ExportDescriptions, TellBufferSizesAndWhatCountsWhat) {
    using K = binding::ParameterKind;
    const auto *read = binding::find_export("rf_M1_read");
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->parameters.size(), 4u);
    EXPECT_EQ(read->parameters[2].kind, K::Output);
    EXPECT_EQ(read->parameters[2].size, 16);
    EXPECT_EQ(read->parameters[3].kind, K::Count);
    EXPECT_EQ(read->parameters[3].related, 2);

    const auto *command = binding::find_export("rf_cos_command");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->parameters[1].kind, K::Input);
    EXPECT_EQ(command->parameters[1].size, 0);
    EXPECT_EQ(command->parameters[1].related, 2);  // command_length
    EXPECT_EQ(command->parameters[3].size, 250);

    const auto *free = binding::find_export("rf_free");
    ASSERT_NE(free, nullptr);
    EXPECT_EQ(free->result, binding::ValueType::Void);
    EXPECT_EQ(free->parameters[0].kind, K::Pointer);
    EXPECT_TRUE(binding::find_export("rf_ClosePort")->parameters.empty());
}

}  // namespace
