// The library's start: binding the transport from its own directory, the message
// when that fails, what exports do without a transport, and the ordinal table.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/support/fake_selmek.h"
#include "tests/support/loaded_drovik.h"

namespace {

using test_support::LoadedDrovik;

struct Unbound {
    const char *name;
    std::string (*directory)();
};

void PrintTo(const Unbound &u, std::ostream *os) { *os << u.name; }

class WithoutATransport : public ::testing::TestWithParam<Unbound> {};

TEST_P(WithoutATransport, StartShowsTheMessageAndEveryReaderCommandFailsAtOnce) {
    fake_selmek::reset();
    ::testing::internal::CaptureStderr();
    LoadedDrovik lib(GetParam().directory());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Load Halvorn.dll failed !\n");

    std::uint8_t buffer[8];
    std::uint16_t address;
    EXPECT_EQ(DROVIK_EXPORT(lib, rf_init_com)(1, 9600), DROVIK_ERR_NO_TRANSPORT);
    EXPECT_EQ(DROVIK_EXPORT(lib, rf_beep)(0, 1), DROVIK_ERR_NO_TRANSPORT);
    EXPECT_EQ(DROVIK_EXPORT(lib, rf_get_snr)(0, buffer), DROVIK_ERR_NO_TRANSPORT);
    EXPECT_EQ(DROVIK_EXPORT(lib, rf_get_device_number)(&address), DROVIK_ERR_NO_TRANSPORT);
    EXPECT_EQ(DROVIK_EXPORT(lib, rf_ClosePort)(), 0);
    EXPECT_EQ(DROVIK_EXPORT(lib, rf_GetErrorMessage)(), 0);

    // What needs no reader still works.
    std::uint32_t version = 0;
    EXPECT_EQ(DROVIK_EXPORT(lib, lib_ver)(&version), 0);
    EXPECT_EQ(version, 2u);

    // The recording transport of the other directory was never reached.
    EXPECT_TRUE(fake_selmek::state().requests.empty());
    EXPECT_TRUE(fake_selmek::state().opens.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Library, WithoutATransport,
    ::testing::Values(Unbound{"missing", test_support::missing_transport_dir},
                      Unbound{"lacking_an_entry_point", test_support::partial_transport_dir}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TransportBinding, StartsSilentlyBesideACompleteTransport) {
    ::testing::internal::CaptureStderr();
    LoadedDrovik lib(test_support::fake_transport_dir());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(OrdinalTable, NamesEveryExportOnceAndEachNameResolves) {
    LoadedDrovik lib(test_support::fake_transport_dir());
    const auto *table = static_cast<const drovik_ordinal_export *>(
        lib.module().resolve(platform::kOrdinalTableSymbol));
    ASSERT_NE(table, nullptr);

    std::map<int, std::string> listed;
    for (; table->ordinal != 0; ++table) {
        EXPECT_TRUE(listed.emplace(table->ordinal, table->name).second) << table->ordinal;
        EXPECT_NE(lib.module().resolve(table->name), nullptr) << table->name;
        EXPECT_EQ(lib.module().resolve(table->ordinal), lib.module().resolve(table->name));
    }
    const std::map<int, std::string> expected = {
        {1, "lib_ver"},          {4, "rf_init_com"},          {5, "rf_init_device_number"},
        {6, "rf_get_device_number"}, {7, "rf_get_model"},     {8, "rf_get_snr"},
        {9, "rf_beep"},          {42, "rf_light"},            {44, "rf_free"},
        {45, "rf_ClosePort"},    {46, "rf_GetErrorMessage"},  {73, "rf_display"},
        {74, "rf_flash_write"},  {75, "rf_flash_read"},
    };
    EXPECT_EQ(listed, expected);
}

TEST(OrdinalTable, UnknownOrdinalsResolveToNothing) {
    LoadedDrovik lib(test_support::fake_transport_dir());
    EXPECT_EQ(lib.module().resolve(std::uint16_t{0}), nullptr);
    EXPECT_EQ(lib.module().resolve(std::uint16_t{76}), nullptr);
    EXPECT_EQ(lib.module().resolve(std::uint16_t{99}), nullptr);
}

}  // namespace
