#include "cards/sr176.h"

namespace sim {

Sr176::Sr176(std::array<std::uint8_t, 8> uid, std::uint8_t chip_id)
    : ShortRangeCard(static_cast<std::uint8_t>(chip_id & 0x0F)) {
    // Block 0 holds the two least significant UID bytes.
    for (int block = 0; block < 4; ++block) {
        blocks_[block] = {uid[6 - 2 * block], uid[7 - 2 * block]};
    }
    blocks_[15] = {0x00, this->chip_id()};
}

Reply Sr176::read_block(std::uint8_t block) {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    if (block >= kBlocks) return Reply::fail(ReaderStatus::BadAddress);
    return Reply::ok(Bytes(blocks_[block].begin(), blocks_[block].end()));
}

Reply Sr176::write_block(std::uint8_t block, ByteView data) {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    if (data.size() != 2) return Reply::fail(ReaderStatus::BadLength);
    if (block >= kBlocks) return Reply::fail(ReaderStatus::BadAddress);
    if (block < 4 || block == 15 || ((effective_lock_ >> (block / 2)) & 1)) {
        return Reply::fail(ReaderStatus::NotAllowed);
    }
    blocks_[block] = {data[0], data[1]};
    return Reply::ok();
}

Reply Sr176::protect(std::uint8_t lock_byte) {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    blocks_[15][0] |= lock_byte;
    return Reply::ok();
}

}  // namespace sim
