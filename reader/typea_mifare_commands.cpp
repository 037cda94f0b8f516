// ISO 14443 Type A and Mifare Classic commands: the reader's radio side (protocol,
// antenna), request, anticollision and select, then keys, authentication, blocks
// and value blocks. The reader runs the card protocol; these only pass bytes.

#include "command_execution.h"
#include "drovik.h"
#include "protocol/card_protocols.h"

namespace {

using drovik::low_byte;
using drovik::Reply;
using drovik::RequestData;
using protocol::Command;

constexpr int kKeyA = 'A';
constexpr int kKeyB = 'B';

constexpr std::size_t kKeyTableSize = 96;  // sixteen 6-byte keys
constexpr std::size_t kKeySize = 6;
constexpr std::size_t kBlockSize = 16;
constexpr std::size_t kAtqaSize = 2;
constexpr std::size_t kSingleUidSize = 4;
constexpr std::size_t kRequest080AnswerSize = 8;

bool is_key_selector(std::int32_t selector) {
    const int kind = low_byte(selector);
    return kind == kKeyA || kind == kKeyB;
}

// The value commands all send a block number and a 32-bit value, low byte first.
std::int32_t value_command(std::int32_t address, Command command, std::int32_t block,
                           std::int32_t value) {
    return drovik::run_command(address, command,
                               RequestData().byte(block).le32(static_cast<std::uint32_t>(value)));
}

std::int32_t block_command(std::int32_t address, Command command, std::int32_t block) {
    return drovik::run_command(address, command, RequestData().byte(block));
}

}  // namespace

extern "C" {

DROVIK_API int32_t DROVIK_CALL rf_init_type(int32_t address, int32_t type) {
    return drovik::run_command(address, Command::SetProtocol, RequestData().byte(type));
}

DROVIK_API int32_t DROVIK_CALL rf_antenna_sta(int32_t address, int32_t state) {
    if (low_byte(state) > 1) return 1;
    return drovik::run_command(address, Command::Antenna, RequestData().byte(state));
}

DROVIK_API int32_t DROVIK_CALL rf_request(int32_t address, int32_t mode, uint8_t *atqa) {
    // Anything but a request for idle cards wakes every card in the field.
    const int code =
        low_byte(mode) == protocol::kRequestIdle ? protocol::kRequestIdle : protocol::kRequestAll;
    return drovik::run_command(address, Command::RequestA, RequestData().byte(code),
                               Reply::fixed(atqa, kAtqaSize));
}

DROVIK_API int32_t DROVIK_CALL rf_anticoll(int32_t address, int32_t uid_size, uint8_t *uid,
                                           uint8_t *length) {
    const int size = low_byte(uid_size);
    if (size != 4 && size != 7 && size != 10) return 1;
    // Every size is asked for, but only a single-size UID is taken as an answer.
    return drovik::run_command(address, Command::Anticollision, RequestData().byte(size),
                               Reply::fixed_count_first(uid, length, kSingleUidSize));
}

DROVIK_API int32_t DROVIK_CALL rf_select(int32_t address, const uint8_t *uid, int32_t uid_length,
                                         uint8_t *sak) {
    return drovik::run_command(
        address, Command::SelectA,
        RequestData().bytes(uid, static_cast<std::size_t>(low_byte(uid_length))),
        Reply::fixed(sak, 1));
}

DROVIK_API int32_t DROVIK_CALL rf_halt(int32_t address) {
    return drovik::run_command(address, Command::HaltA, RequestData());
}

DROVIK_API int32_t DROVIK_CALL rf_download_key(int32_t address, int32_t key_type,
                                               const uint8_t *keys) {
    if (!is_key_selector(key_type)) return 1;
    return drovik::run_command(address, Command::DownloadKeys,
                               RequestData().byte(key_type).bytes(keys, kKeyTableSize));
}

DROVIK_API int32_t DROVIK_CALL rf_M1_authentication1(int32_t address, int32_t key_type,
                                                     int32_t block) {
    if (!is_key_selector(key_type)) return 1;
    return drovik::run_command(address, Command::AuthenticateLoadedKey,
                               RequestData().byte(key_type).byte(block));
}

DROVIK_API int32_t DROVIK_CALL rf_M1_authentication2(int32_t address, int32_t auth_code,
                                                     int32_t block, const uint8_t *key) {
    const int code = low_byte(auth_code);
    if (code != protocol::kAuthenticateKeyA && code != protocol::kAuthenticateKeyB) return 1;
    return drovik::run_command(address, Command::AuthenticateGivenKey,
                               RequestData().byte(code).byte(block).bytes(key, kKeySize));
}

DROVIK_API int32_t DROVIK_CALL rf_M1_read(int32_t address, int32_t block, uint8_t *data,
                                          uint8_t *length) {
    return drovik::run_command(address, Command::ReadBlock, RequestData().byte(block),
                               Reply::fixed_count_first(data, length, kBlockSize));
}

DROVIK_API int32_t DROVIK_CALL rf_M1_write(int32_t address, int32_t block, const uint8_t *data) {
    return drovik::run_command(address, Command::WriteBlock,
                               RequestData().byte(block).bytes(data, kBlockSize));
}

DROVIK_API int32_t DROVIK_CALL rf_M1_initval(int32_t address, int32_t block, int32_t value) {
    return value_command(address, Command::InitValue, block, value);
}

DROVIK_API int32_t DROVIK_CALL rf_M1_readval(int32_t address, int32_t block, int32_t *value) {
    // The four bytes are copied as they come (least significant first, as sent).
    return drovik::run_command(address, Command::ReadValue, RequestData().byte(block),
                               Reply::fixed(reinterpret_cast<std::uint8_t *>(value), 4));
}

DROVIK_API int32_t DROVIK_CALL rf_M1_decrement(int32_t address, int32_t block, int32_t value) {
    return value_command(address, Command::Decrement, block, value);
}

DROVIK_API int32_t DROVIK_CALL rf_M1_increment(int32_t address, int32_t block, int32_t value) {
    return value_command(address, Command::Increment, block, value);
}

DROVIK_API int32_t DROVIK_CALL rf_M1_restore(int32_t address, int32_t block) {
    return block_command(address, Command::Restore, block);
}

DROVIK_API int32_t DROVIK_CALL rf_M1_transfer(int32_t address, int32_t block) {
    return block_command(address, Command::Transfer, block);
}

DROVIK_API int32_t DROVIK_CALL rf_request_080(int32_t address, int32_t first, int32_t second,
                                              uint8_t *data, uint8_t *length) {
    if (length == nullptr) return 1;
    // Unlike the count-first reads, the count is written only with the answer.
    const std::int32_t result =
        drovik::run_command(address, Command::Request080, RequestData().byte(first).byte(second),
                            Reply::fixed(data, kRequest080AnswerSize));
    if (result == 0) *length = static_cast<std::uint8_t>(kRequest080AnswerSize);
    return result;
}

}  // extern "C"
