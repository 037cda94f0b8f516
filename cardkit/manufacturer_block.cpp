#include "cardkit/manufacturer_block.h"

#include <algorithm>

namespace cardkit {

namespace {

// The cascade tag that opens the first anticollision level of a longer UID.
constexpr std::uint8_t kCascadeTag = 0x88;

}  // namespace

std::uint8_t uid_check_byte(ByteView uid) {
    std::uint8_t check = 0;
    for (const std::uint8_t byte : uid) check ^= byte;
    return check;
}

std::optional<ManufacturerBlock> decode_manufacturer_block(ByteView block, int uid_size) {
    if (block.size() != 16 || (uid_size != 4 && uid_size != 7)) return std::nullopt;
    ManufacturerBlock decoded;
    decoded.uid.assign(block.begin(), block.begin() + uid_size);
    std::size_t at = static_cast<std::size_t>(uid_size);
    if (uid_size == 4) {
        decoded.check_byte = block[at++];
        decoded.check_byte_valid = *decoded.check_byte == uid_check_byte(decoded.uid);
    } else {
        decoded.check_byte_valid = true;
    }
    decoded.sak = block[at++];
    decoded.atqa = {block[at], block[at + 1]};
    at += 2;
    decoded.maker_data.assign(block.begin() + static_cast<std::ptrdiff_t>(at), block.end());
    return decoded;
}

std::array<std::uint8_t, 16> encode_manufacturer_block(const std::array<std::uint8_t, 4> &uid,
                                                       std::uint8_t sak,
                                                       const std::array<std::uint8_t, 2> &atqa,
                                                       ByteView maker_data) {
    std::array<std::uint8_t, 16> block{};
    std::copy(uid.begin(), uid.end(), block.begin());
    block[4] = uid_check_byte(uid);
    block[5] = sak;
    block[6] = atqa[0];
    block[7] = atqa[1];
    std::copy_n(maker_data.begin(), std::min<std::size_t>(maker_data.size(), 8), block.begin() + 8);
    return block;
}

std::optional<UltralightIdentity> decode_ultralight_identity(ByteView pages) {
    if (pages.size() < 12) return std::nullopt;
    UltralightIdentity identity;
    std::copy_n(pages.begin(), 3, identity.uid.begin());
    std::copy_n(pages.begin() + 4, 4, identity.uid.begin() + 3);
    const std::uint8_t bcc0 = kCascadeTag ^ pages[0] ^ pages[1] ^ pages[2];
    const std::uint8_t bcc1 = pages[4] ^ pages[5] ^ pages[6] ^ pages[7];
    identity.check_bytes_valid = pages[3] == bcc0 && pages[8] == bcc1;
    return identity;
}

}  // namespace cardkit
