// Memory cards without an operating system: AT88RF020 (8-byte pages), SR176 and
// SRIX4K (2- and 4-byte blocks), Mifare Ultralight (4-byte pages, 7-byte UID), and
// rf_getlockcardinfo, which finds and selects a Type A card of either UID size.

#include "command_execution.h"
#include "drovik.h"

namespace {

using drovik::Reply;
using drovik::RequestData;
using protocol::Command;

constexpr std::size_t kAt020PageSize = 8;
constexpr std::size_t kAt020PasswordSize = 8;
constexpr std::size_t kAt020LockSize = 4;
constexpr std::size_t kAt020SignatureSize = 6;
constexpr std::size_t kSr176BlockSize = 2;
constexpr std::size_t kSrix4kBlockSize = 4;
constexpr std::size_t kSrix4kUidSize = 8;
constexpr std::size_t kSrix4kChallengeSize = 6;
constexpr std::size_t kUlPageSize = 4;
constexpr std::uint8_t kUlUidSize = 7;
constexpr std::uint8_t kSingleUidSize = 4;

// How a select step of rf_getlockcardinfo went. The count-first reads write the
// received count before they compare it, so presetting the length byte to the
// expected size tells "the card answered with another UID size" (the count
// changed) from "the exchange or the reader failed" (it did not).
enum class SelectOutcome { Selected, Failed, WrongSize };

template <typename Select>
SelectOutcome select_step(std::uint8_t *length, std::uint8_t expected, Select select) {
    const std::uint8_t before = *length;
    *length = expected;
    if (select() == 0) return SelectOutcome::Selected;
    if (*length != expected) return SelectOutcome::WrongSize;
    *length = before;  // nothing was received
    return SelectOutcome::Failed;
}

// The two ATQA bytes of a card with a 7-byte UID, as Ultralight cards answer.
bool is_double_size_atqa(const std::uint8_t *atqa) { return atqa[0] == 0x44 && atqa[1] == 0x00; }

}  // namespace

extern "C" {

// ---- AT88RF020 --------------------------------------------------------------

DROVIK_API int32_t DROVIK_CALL rf_at020_check(int32_t address, const uint8_t *password) {
    return drovik::run_command(address, Command::At020Check,
                               RequestData().bytes(password, kAt020PasswordSize));
}

DROVIK_API int32_t DROVIK_CALL rf_at020_read(int32_t address, int32_t page, uint8_t *data,
                                             uint8_t *length) {
    return drovik::run_command(address, Command::At020Read, RequestData().byte(page),
                               Reply::fixed_count_first(data, length, kAt020PageSize));
}

DROVIK_API int32_t DROVIK_CALL rf_at020_write(int32_t address, int32_t page, const uint8_t *data) {
    return drovik::run_command(address, Command::At020Write,
                               RequestData().byte(page).bytes(data, kAt020PageSize));
}

DROVIK_API int32_t DROVIK_CALL rf_at020_lock(int32_t address, const uint8_t *lock) {
    return drovik::run_command(address, Command::At020Lock,
                               RequestData().bytes(lock, kAt020LockSize));
}

DROVIK_API int32_t DROVIK_CALL rf_at020_count(int32_t address, const uint8_t *signature) {
    return drovik::run_command(address, Command::At020Count,
                               RequestData().bytes(signature, kAt020SignatureSize));
}

DROVIK_API int32_t DROVIK_CALL rf_at020_deselect(int32_t address) {
    return drovik::run_command(address, Command::At020Deselect, RequestData());
}

// ---- SR176 and SRIX4K ---------------------------------------------------------

DROVIK_API int32_t DROVIK_CALL rf_st_select(int32_t address, uint8_t *chip_id) {
    return drovik::run_command(address, Command::StSelect, RequestData(), Reply::fixed(chip_id, 1));
}

DROVIK_API int32_t DROVIK_CALL rf_st_completion(int32_t address) {
    return drovik::run_command(address, Command::StCompletion, RequestData());
}

DROVIK_API int32_t DROVIK_CALL rf_sr176_readblock(int32_t address, int32_t block, uint8_t *data,
                                                  uint8_t *length) {
    return drovik::run_command(address, Command::Sr176Read, RequestData().byte(block),
                               Reply::fixed_count_first(data, length, kSr176BlockSize));
}

DROVIK_API int32_t DROVIK_CALL rf_sr176_writeblock(int32_t address, int32_t block,
                                                   const uint8_t *data) {
    return drovik::run_command(address, Command::Sr176Write,
                               RequestData().byte(block).bytes(data, kSr176BlockSize));
}

DROVIK_API int32_t DROVIK_CALL rf_sr176_protectblock(int32_t address, int32_t lock) {
    return drovik::run_command(address, Command::Sr176Protect, RequestData().byte(lock));
}

DROVIK_API int32_t DROVIK_CALL rf_srix4k_readblock(int32_t address, int32_t block, uint8_t *data,
                                                   uint8_t *length) {
    return drovik::run_command(address, Command::Srix4kRead, RequestData().byte(block),
                               Reply::fixed_count_first(data, length, kSrix4kBlockSize));
}

DROVIK_API int32_t DROVIK_CALL rf_srix4k_writeblock(int32_t address, int32_t block,
                                                    const uint8_t *data) {
    return drovik::run_command(address, Command::Srix4kWrite,
                               RequestData().byte(block).bytes(data, kSrix4kBlockSize));
}

DROVIK_API int32_t DROVIK_CALL rf_srix4k_authenticate(int32_t address, const uint8_t *challenge,
                                                      uint8_t *answer, uint8_t *length) {
    return drovik::run_command(address, Command::Srix4kAuthenticate,
                               RequestData().bytes(challenge, kSrix4kChallengeSize),
                               Reply::variable(answer, length));
}

DROVIK_API int32_t DROVIK_CALL rf_srix4k_getuid(int32_t address, uint8_t *uid, uint8_t *length) {
    return drovik::run_command(address, Command::Srix4kGetUid, RequestData(),
                               Reply::fixed_count_first(uid, length, kSrix4kUidSize));
}

DROVIK_API int32_t DROVIK_CALL rf_srix4k_writelockreg(int32_t address, int32_t value) {
    return drovik::run_command(address, Command::Srix4kWriteLockRegister,
                               RequestData().byte(value));
}

// ---- Ultralight -----------------------------------------------------------------

DROVIK_API int32_t DROVIK_CALL rf_ul_select(int32_t address, uint8_t *uid, uint8_t *length) {
    return drovik::run_command(address, Command::UltralightSelect, RequestData(),
                               Reply::fixed_count_first(uid, length, kUlUidSize));
}

DROVIK_API int32_t DROVIK_CALL rf_ul_write(int32_t address, int32_t page, const uint8_t *data) {
    return drovik::run_command(address, Command::UltralightWrite,
                               RequestData().byte(page).bytes(data, kUlPageSize));
}

// ---- Find and select one Type A card ----------------------------------------------

DROVIK_API int32_t DROVIK_CALL rf_getlockcardinfo(int32_t address, int32_t mode, uint8_t *uid,
                                                  uint8_t *length, uint8_t *atqa) {
    if (uid == nullptr || length == nullptr || atqa == nullptr) return 1;

    // A card that has just entered the field may miss the first request.
    if (rf_request(address, mode, atqa) != 0 && rf_request(address, mode, atqa) != 0) return -1;

    // Only the two ATQA bytes decide the path.
    if (is_double_size_atqa(atqa)) {
        const SelectOutcome ultralight =
            select_step(length, kUlUidSize, [&] { return rf_ul_select(address, uid, length); });
        if (ultralight == SelectOutcome::Failed) return -5;
        if (ultralight == SelectOutcome::WrongSize) return -6;
        return 0;
    }

    const SelectOutcome single = select_step(
        length, kSingleUidSize, [&] { return rf_anticoll(address, kSingleUidSize, uid, length); });
    if (single == SelectOutcome::Failed) return -2;
    if (single == SelectOutcome::WrongSize) return -3;
    std::uint8_t sak = 0;  // not the caller's business
    if (rf_select(address, uid, kSingleUidSize, &sak) != 0) return -4;
    return 0;
}

}  // extern "C"
