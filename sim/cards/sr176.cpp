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

Bytes Sr176::identity() const {
    Bytes uid;
    for (int block = 3; block >= 0; --block) append(uid, blocks_[block]);
    return uid;
}

std::optional<Bytes> Sr176::raw_memory() const {
    return blocks_back_to_back(blocks_);
}

bool Sr176::load_raw_memory(ByteView dump, std::string &error) {
    constexpr std::size_t kBlockSize = sizeof(Block);
    const Bytes uid_blocks = blocks_back_to_back(std::span(blocks_).first(4));
    if (!dump_has_size(dump, kBlocks * kBlockSize, error) ||
        !dump_keeps(dump, 0, uid_blocks, "UID blocks 0 to 3", error) ||
        !dump_keeps(dump, 15 * kBlockSize + 1, ByteView(&blocks_[15][1], 1), "chip ID in block 15",
                    error)) {
        return false;
    }
    fill_blocks(blocks_, dump);
    return true;
}

}  // namespace sim
