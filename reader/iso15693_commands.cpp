// ISO 15693 vicinity tags. The reader builds the tag command; the library fixes
// the order of the bytes: the request flags, the 8 UID bytes as the caller holds
// them, then the command's own arguments.

#include "command_execution.h"
#include "drovik.h"

namespace {

using drovik::low_byte;
using drovik::Reply;
using drovik::RequestData;
using protocol::Command;

constexpr std::size_t kUidSize = 8;
constexpr std::size_t kBlockSize = 4;
constexpr std::size_t kInventorySize = 9;  // DSFID and UID
// Most blocks one call may ask for: the answer has to fit one reply.
constexpr int kMaxReadBlocks = 15;
constexpr int kMaxSecurityBlocks = 63;

// Flags and UID, the start of every addressed command.
RequestData addressed(std::int32_t flags, const std::uint8_t *uid) {
    RequestData request;
    request.byte(flags).bytes(uid, kUidSize);
    return request;
}

}  // namespace

extern "C" {

DROVIK_API int32_t DROVIK_CALL ISO15693_Inventory(int32_t address, uint8_t *data, uint8_t *length) {
    return drovik::run_command(address, Command::Inventory, RequestData(),
                               Reply::fixed_count_first(data, length, kInventorySize));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Stay_Quiet(int32_t address, const uint8_t *uid) {
    return drovik::run_command(address, Command::StayQuiet, RequestData().bytes(uid, kUidSize));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Select(int32_t address, const uint8_t *uid) {
    return drovik::run_command(address, Command::Select15693, RequestData().bytes(uid, kUidSize));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Reset_To_Ready(int32_t address, int32_t flags,
                                                       const uint8_t *uid) {
    return drovik::run_command(address, Command::ResetToReady, addressed(flags, uid));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Read(int32_t address, int32_t flags, const uint8_t *uid,
                                             int32_t first_block, int32_t block_count,
                                             uint8_t *data, uint8_t *length) {
    if (low_byte(block_count) > kMaxReadBlocks) return 1;
    return drovik::run_command(address, Command::ReadBlocks15693,
                               addressed(flags, uid).byte(first_block).byte(block_count),
                               Reply::variable(data, length));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Write(int32_t address, int32_t flags, const uint8_t *uid,
                                              int32_t block, const uint8_t *data) {
    return drovik::run_command(address, Command::WriteBlock15693,
                               addressed(flags, uid).byte(block).bytes(data, kBlockSize));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Lock_Block(int32_t address, int32_t flags,
                                                   const uint8_t *uid, int32_t block) {
    return drovik::run_command(address, Command::LockBlock15693, addressed(flags, uid).byte(block));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Write_AFI(int32_t address, int32_t flags,
                                                  const uint8_t *uid, int32_t afi) {
    return drovik::run_command(address, Command::WriteAfi, addressed(flags, uid).byte(afi));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Lock_AFI(int32_t address, int32_t flags,
                                                 const uint8_t *uid) {
    return drovik::run_command(address, Command::LockAfi, addressed(flags, uid));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Write_DSFID(int32_t address, int32_t flags,
                                                    const uint8_t *uid, int32_t dsfid) {
    return drovik::run_command(address, Command::WriteDsfid, addressed(flags, uid).byte(dsfid));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Lock_DSFID(int32_t address, int32_t flags,
                                                   const uint8_t *uid) {
    return drovik::run_command(address, Command::LockDsfid, addressed(flags, uid));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Get_System_Information(int32_t address, int32_t flags,
                                                               const uint8_t *uid, uint8_t *data,
                                                               uint8_t *length) {
    return drovik::run_command(address, Command::GetSystemInformation, addressed(flags, uid),
                               Reply::variable(data, length));
}

DROVIK_API int32_t DROVIK_CALL ISO15693_Get_Block_Security(int32_t address, int32_t flags,
                                                           const uint8_t *uid, int32_t first_block,
                                                           int32_t block_count, uint8_t *data,
                                                           uint8_t *length) {
    if (low_byte(block_count) > kMaxSecurityBlocks) return 1;
    return drovik::run_command(address, Command::GetBlockSecurity,
                               addressed(flags, uid).byte(first_block).byte(block_count),
                               Reply::variable(data, length));
}

}  // extern "C"
