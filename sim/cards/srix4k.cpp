#include "cards/srix4k.h"

namespace sim {

namespace {

std::uint32_t as_number(const Srix4k::Block &block) {
    return static_cast<std::uint32_t>(block[0]) << 24 | static_cast<std::uint32_t>(block[1]) << 16 |
           static_cast<std::uint32_t>(block[2]) << 8 | block[3];
}

Srix4k::Block as_block(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

constexpr int kCounterFirst = 5;
constexpr int kCounterLast = 6;
constexpr int kLockableFirst = 7;
constexpr int kLockableLast = 15;
constexpr int kSystemBlock = 255;

}  // namespace

Srix4k::Srix4k(std::array<std::uint8_t, 8> uid, std::uint8_t chip_id)
    : ShortRangeCard(chip_id), uid_(uid) {
    for (int block = 0; block < kCounterFirst; ++block) blocks_[block] = {0xFF, 0xFF, 0xFF, 0xFF};
    blocks_[5] = as_block(0xFFFFFFFE);
    blocks_[6] = as_block(0xFFFFFFFF);
}

bool Srix4k::block_locked(int block) const {
    if (block < kLockableFirst || block > kLockableLast) return false;
    const int bit = block <= 8 ? 0 : block - 8;
    return ((lock_register_ >> bit) & 1) == 0;
}

Reply Srix4k::read_block(std::uint8_t block) {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    if (block == kSystemBlock) {
        const Block system = system_block();
        return Reply::ok(Bytes(system.begin(), system.end()));
    }
    if (block >= kBlocks) return Reply::fail(ReaderStatus::BadAddress);
    return Reply::ok(Bytes(blocks_[block].begin(), blocks_[block].end()));
}

Reply Srix4k::write_block(std::uint8_t block, ByteView data) {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    if (data.size() != 4) return Reply::fail(ReaderStatus::BadLength);
    if (block >= kBlocks) return Reply::fail(ReaderStatus::BadAddress);
    if (block_locked(block)) return Reply::fail(ReaderStatus::NotAllowed);
    const Block wanted = {data[0], data[1], data[2], data[3]};
    Block &stored = blocks_[block];
    if (block < kCounterFirst) {
        for (int i = 0; i < 4; ++i) stored[i] &= wanted[i];
        return Reply::ok();
    }
    if (block <= kCounterLast) {
        if (as_number(wanted) >= as_number(stored)) return Reply::fail(ReaderStatus::NotAllowed);
        stored = wanted;
        return Reply::ok();
    }
    stored = wanted;
    return Reply::ok();
}

Reply Srix4k::get_uid() const {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    return Reply::ok(Bytes(uid_.begin(), uid_.end()));
}

Reply Srix4k::write_lock_register(std::uint8_t value) {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    lock_register_ &= value;
    return Reply::ok();
}

Reply Srix4k::authenticate(ByteView challenge) const {
    if (!selected()) return Reply::fail(ReaderStatus::NoCard);
    if (challenge.size() != 6) return Reply::fail(ReaderStatus::BadLength);
    // FNV-1a over the card's secret (its UID) and the challenge, folded to 24 bits.
    std::uint32_t hash = 2166136261u;
    auto mix = [&hash](std::uint8_t byte) {
        hash ^= byte;
        hash *= 16777619u;
    };
    for (const std::uint8_t byte : uid_) mix(static_cast<std::uint8_t>(byte ^ 0x5A));
    for (const std::uint8_t byte : challenge) mix(byte);
    const std::uint32_t folded = (hash >> 24) ^ (hash & 0xFFFFFF);
    return Reply::ok({static_cast<std::uint8_t>(folded >> 16),
                      static_cast<std::uint8_t>(folded >> 8), static_cast<std::uint8_t>(folded)});
}

std::optional<Bytes> Srix4k::raw_memory() const {
    Bytes dump = blocks_back_to_back(blocks_);
    append(dump, system_block());
    return dump;
}

bool Srix4k::load_raw_memory(ByteView dump, std::string &error) {
    constexpr std::size_t kBlocksSize = kBlocks * sizeof(Block);
    if (dump.size() != kBlocksSize + sizeof(Block) && !dump_has_size(dump, kBlocksSize, error)) {
        error += " (or " + std::to_string(kBlocksSize + sizeof(Block)) + " with the system block)";
        return false;
    }
    fill_blocks(blocks_, dump.first(kBlocksSize));
    if (dump.size() > kBlocksSize) lock_register_ = dump[kBlocksSize];
    return true;
}

}  // namespace sim
