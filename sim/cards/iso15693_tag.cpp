#include "cards/iso15693_tag.h"

#include <algorithm>

namespace sim {

Iso15693Tag::Iso15693Tag(Iso15693Uid uid, int block_count, std::uint8_t ic_reference)
    : uid_(uid),
      ic_reference_(ic_reference),
      blocks_(static_cast<std::size_t>(block_count)),
      locked_(static_cast<std::size_t>(block_count), false) {}

bool Iso15693Tag::range_ok(std::uint8_t first, std::uint8_t count) const {
    return count > 0 && static_cast<std::size_t>(first) + count <= blocks_.size();
}

Reply Iso15693Tag::read_blocks(std::uint8_t first, std::uint8_t count, bool security) const {
    if (!range_ok(first, count)) return Reply::fail(ReaderStatus::BadAddress);
    Bytes out;
    for (int block = first; block < first + count; ++block) {
        if (security) out.push_back(locked_[block] ? 0x01 : 0x00);
        append(out, blocks_[block]);
    }
    return Reply::ok(std::move(out));
}

Reply Iso15693Tag::write_block(std::uint8_t block, ByteView data) {
    if (data.size() != kBlockSize) return Reply::fail(ReaderStatus::BadLength);
    if (block >= blocks_.size()) return Reply::fail(ReaderStatus::BadAddress);
    if (locked_[block]) return Reply::fail(ReaderStatus::NotAllowed);
    std::copy(data.begin(), data.end(), blocks_[block].begin());
    return Reply::ok();
}

Reply Iso15693Tag::lock_block(std::uint8_t block) {
    if (block >= blocks_.size()) return Reply::fail(ReaderStatus::BadAddress);
    if (locked_[block]) return Reply::fail(ReaderStatus::AlreadyLocked);
    locked_[block] = true;
    return Reply::ok();
}

Reply Iso15693Tag::write_afi(std::uint8_t afi) {
    if (afi_locked_) return Reply::fail(ReaderStatus::NotAllowed);
    afi_ = afi;
    return Reply::ok();
}

Reply Iso15693Tag::lock_afi() {
    if (afi_locked_) return Reply::fail(ReaderStatus::AlreadyLocked);
    afi_locked_ = true;
    return Reply::ok();
}

Reply Iso15693Tag::write_dsfid(std::uint8_t dsfid) {
    if (dsfid_locked_) return Reply::fail(ReaderStatus::NotAllowed);
    dsfid_ = dsfid;
    return Reply::ok();
}

Reply Iso15693Tag::lock_dsfid() {
    if (dsfid_locked_) return Reply::fail(ReaderStatus::AlreadyLocked);
    dsfid_locked_ = true;
    return Reply::ok();
}

Reply Iso15693Tag::system_information() const {
    // Information flags: DSFID, AFI, memory size and IC reference all present.
    Bytes out = {0x0F};
    append(out, uid_);
    out.push_back(dsfid_);
    out.push_back(afi_);
    out.push_back(static_cast<std::uint8_t>(blocks_.size() - 1));
    out.push_back(static_cast<std::uint8_t>(kBlockSize - 1));
    out.push_back(ic_reference_);
    return Reply::ok(std::move(out));
}

Reply Iso15693Tag::block_security(std::uint8_t first, std::uint8_t count) const {
    if (!range_ok(first, count)) return Reply::fail(ReaderStatus::BadAddress);
    Bytes out;
    for (int block = first; block < first + count; ++block) out.push_back(locked_[block] ? 1 : 0);
    return Reply::ok(std::move(out));
}

std::optional<Bytes> Iso15693Tag::raw_memory() const {
    return blocks_back_to_back(blocks_);
}

bool Iso15693Tag::load_raw_memory(ByteView dump, std::string &error) {
    if (!dump_has_size(dump, blocks_.size() * kBlockSize, error)) return false;
    fill_blocks(blocks_, dump);
    return true;
}

}  // namespace sim
