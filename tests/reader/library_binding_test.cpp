// The library's start: binding the transport from its own directory, the message
// when that fails, what exports do without a transport, and the ordinal table.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "fake_selmek.h"
#include "loaded_drovik.h"

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
    // Ordinals 1 to 75 and 100, each with the name it has always had.
    const std::map<int, std::string> expected = {
        {1, "lib_ver"}, {2, "des_encrypt"}, {3, "des_decrypt"}, {4, "rf_init_com"},
        {5, "rf_init_device_number"}, {6, "rf_get_device_number"}, {7, "rf_get_model"},
        {8, "rf_get_snr"}, {9, "rf_beep"}, {10, "rf_init_sam"}, {11, "rf_sam_rst"},
        {12, "rf_sam_cos"}, {13, "rf_init_type"}, {14, "rf_antenna_sta"}, {15, "rf_request"},
        {16, "rf_anticoll"}, {17, "rf_select"}, {18, "rf_halt"}, {19, "rf_download_key"},
        {20, "rf_M1_authentication1"}, {21, "rf_M1_authentication2"}, {22, "rf_M1_read"},
        {23, "rf_M1_write"}, {24, "rf_M1_initval"}, {25, "rf_M1_readval"}, {26, "rf_M1_decrement"},
        {27, "rf_M1_increment"}, {28, "rf_M1_restore"}, {29, "rf_M1_transfer"},
        {30, "rf_typea_rst"}, {31, "rf_cos_command"}, {32, "rf_atqb"}, {33, "rf_attrib"},
        {34, "rf_typeb_cos"}, {35, "rf_hltb"}, {36, "rf_at020_check"}, {37, "rf_at020_read"},
        {38, "rf_at020_write"}, {39, "rf_at020_lock"}, {40, "rf_at020_count"},
        {41, "rf_at020_deselect"}, {42, "rf_light"}, {43, "rf_cl_deselect"}, {44, "rf_free"},
        {45, "rf_ClosePort"}, {46, "rf_GetErrorMessage"}, {47, "rf_st_select"},
        {48, "rf_st_completion"}, {49, "rf_sr176_readblock"}, {50, "rf_sr176_writeblock"},
        {51, "rf_sr176_protectblock"}, {52, "rf_srix4k_readblock"}, {53, "rf_srix4k_writeblock"},
        {54, "rf_srix4k_authenticate"}, {55, "rf_srix4k_getuid"}, {56, "rf_ul_select"},
        {57, "rf_ul_write"}, {58, "rf_srix4k_writelockreg"}, {59, "ISO15693_Inventory"},
        {60, "ISO15693_Stay_Quiet"}, {61, "ISO15693_Select"}, {62, "ISO15693_Reset_To_Ready"},
        {63, "ISO15693_Read"}, {64, "ISO15693_Write"}, {65, "ISO15693_Lock_Block"},
        {66, "ISO15693_Write_AFI"}, {67, "ISO15693_Lock_AFI"}, {68, "ISO15693_Write_DSFID"},
        {69, "ISO15693_Lock_DSFID"}, {70, "ISO15693_Get_System_Information"},
        {71, "ISO15693_Get_Block_Security"}, {72, "rf_request_080"}, {73, "rf_display"},
        {74, "rf_flash_write"}, {75, "rf_flash_read"}, {100, "rf_getlockcardinfo"},
    };
    for (const auto &[ordinal, name] : expected) {
        void *by_name = lib.module().resolve(name.c_str());
        EXPECT_NE(by_name, nullptr) << name;
        EXPECT_EQ(lib.module().resolve(static_cast<std::uint16_t>(ordinal)), by_name) << ordinal;
    }
#if !defined(_WIN32)
    // The table the ordinals are looked up in names these and nothing else, once.
    const auto *table = static_cast<const drovik_ordinal_export *>(
        lib.module().resolve(platform::kOrdinalTableSymbol));
    ASSERT_NE(table, nullptr);
    std::map<int, std::string> listed;
    for (; table->ordinal != 0; ++table) {
        EXPECT_TRUE(listed.emplace(table->ordinal, table->name).second) << table->ordinal;
    }
    EXPECT_EQ(listed, expected);
#endif
}

TEST(OrdinalTable, UnknownOrdinalsResolveToNothing) {
    LoadedDrovik lib(test_support::fake_transport_dir());
    EXPECT_EQ(lib.module().resolve(std::uint16_t{0}), nullptr);
    EXPECT_EQ(lib.module().resolve(std::uint16_t{76}), nullptr);
    EXPECT_EQ(lib.module().resolve(std::uint16_t{99}), nullptr);
    EXPECT_EQ(lib.module().resolve(std::uint16_t{101}), nullptr);
}

}  // namespace
