#pragma once

// The application's one way to the reader: a table of the library's exports, bound
// by ordinal at start-up (or filled with fakes by the tests). Pages call nothing
// else of the library.

#include <cstdint>
#include <functional>

#include "drovik.h"

namespace tilvane {

// The 72 bound exports as (ordinal, name), in the order they are bound: ordinals 1
// to 71, then 100. Ordinals 72 to 75 of the library are not used by the application.
#define TILVANE_READER_API_ENTRIES(X)      \
    X(1, lib_ver)                          \
    X(2, des_encrypt)                      \
    X(3, des_decrypt)                      \
    X(4, rf_init_com)                      \
    X(5, rf_init_device_number)            \
    X(6, rf_get_device_number)             \
    X(7, rf_get_model)                     \
    X(8, rf_get_snr)                       \
    X(9, rf_beep)                          \
    X(10, rf_init_sam)                     \
    X(11, rf_sam_rst)                      \
    X(12, rf_sam_cos)                      \
    X(13, rf_init_type)                    \
    X(14, rf_antenna_sta)                  \
    X(15, rf_request)                      \
    X(16, rf_anticoll)                     \
    X(17, rf_select)                       \
    X(18, rf_halt)                         \
    X(19, rf_download_key)                 \
    X(20, rf_M1_authentication1)           \
    X(21, rf_M1_authentication2)           \
    X(22, rf_M1_read)                      \
    X(23, rf_M1_write)                     \
    X(24, rf_M1_initval)                   \
    X(25, rf_M1_readval)                   \
    X(26, rf_M1_decrement)                 \
    X(27, rf_M1_increment)                 \
    X(28, rf_M1_restore)                   \
    X(29, rf_M1_transfer)                  \
    X(30, rf_typea_rst)                    \
    X(31, rf_cos_command)                  \
    X(32, rf_atqb)                         \
    X(33, rf_attrib)                       \
    X(34, rf_typeb_cos)                    \
    X(35, rf_hltb)                         \
    X(36, rf_at020_check)                  \
    X(37, rf_at020_read)                   \
    X(38, rf_at020_write)                  \
    X(39, rf_at020_lock)                   \
    X(40, rf_at020_count)                  \
    X(41, rf_at020_deselect)               \
    X(42, rf_light)                        \
    X(43, rf_cl_deselect)                  \
    X(44, rf_free)                         \
    X(45, rf_ClosePort)                    \
    X(46, rf_GetErrorMessage)              \
    X(47, rf_st_select)                    \
    X(48, rf_st_completion)                \
    X(49, rf_sr176_readblock)              \
    X(50, rf_sr176_writeblock)             \
    X(51, rf_sr176_protectblock)           \
    X(52, rf_srix4k_readblock)             \
    X(53, rf_srix4k_writeblock)            \
    X(54, rf_srix4k_authenticate)          \
    X(55, rf_srix4k_getuid)                \
    X(56, rf_ul_select)                    \
    X(57, rf_ul_write)                     \
    X(58, rf_srix4k_writelockreg)          \
    X(59, ISO15693_Inventory)              \
    X(60, ISO15693_Stay_Quiet)             \
    X(61, ISO15693_Select)                 \
    X(62, ISO15693_Reset_To_Ready)         \
    X(63, ISO15693_Read)                   \
    X(64, ISO15693_Write)                  \
    X(65, ISO15693_Lock_Block)             \
    X(66, ISO15693_Write_AFI)              \
    X(67, ISO15693_Lock_AFI)               \
    X(68, ISO15693_Write_DSFID)            \
    X(69, ISO15693_Lock_DSFID)             \
    X(70, ISO15693_Get_System_Information) \
    X(71, ISO15693_Get_Block_Security)     \
    X(100, rf_getlockcardinfo)

// One typed pointer per bound export, named exactly like the export.
struct ReaderApi {
#define TILVANE_READER_API_MEMBER(ordinal, name) decltype(&::name) name = nullptr;
    TILVANE_READER_API_ENTRIES(TILVANE_READER_API_MEMBER)
#undef TILVANE_READER_API_MEMBER
};

inline constexpr int kBoundExportCount = 72;

// Looks up an entry point by ordinal; null when there is none.
using OrdinalResolver = std::function<void *(std::uint16_t ordinal)>;

// Fills `api` entry by entry in ascending ordinal order (100 last). Every entry is
// looked up even after a miss, like the start-up of the original program. Returns
// the first ordinal that could not be bound, or 0 when all 72 are bound.
std::uint16_t BindReaderApi(const OrdinalResolver &resolve, ReaderApi &api);

}  // namespace tilvane
