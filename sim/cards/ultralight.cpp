#include "cards/ultralight.h"

namespace sim {

namespace {

constexpr std::uint8_t kInternalByte = 0x48;

}  // namespace

Ultralight::Ultralight(std::array<std::uint8_t, 7> uid)
    : TypeACard(Bytes(uid.begin(), uid.end()), {0x44, 0x00}, 0x00) {
    pages_[0] = {uid[0], uid[1], uid[2],
                 static_cast<std::uint8_t>(kCascadeTag ^ uid[0] ^ uid[1] ^ uid[2])};
    pages_[1] = {uid[3], uid[4], uid[5], uid[6]};
    pages_[2] = {static_cast<std::uint8_t>(uid[3] ^ uid[4] ^ uid[5] ^ uid[6]), kInternalByte, 0x00,
                 0x00};
}

bool Ultralight::page_locked(int page) const {
    const std::uint8_t lock0 = pages_[2][2], lock1 = pages_[2][3];
    if (page < 3) return true;  // UID and lock bytes: written only through their own rules
    if (page < 8) return (lock0 >> page) & 1;
    return (lock1 >> (page - 8)) & 1;
}

std::uint16_t Ultralight::changeable_lock_bits() const {
    // Bit n of the word is bit n of lock byte 0 (n < 8) or bit n - 8 of lock byte 1.
    const std::uint8_t lock0 = pages_[2][2];
    unsigned frozen = 0;
    if (lock0 & 0x01) frozen |= 0x0008;           // the lock bit of page 3
    if (lock0 & 0x02) frozen |= 0x00F0 | 0x0300;  // those of pages 4-9
    if (lock0 & 0x04) frozen |= 0xFC00;           // those of pages 10-15
    return static_cast<std::uint16_t>(~frozen);
}

Reply Ultralight::read_block(std::uint8_t page) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    if (page >= kPages) return refuse(ReaderStatus::BadAddress);
    Bytes out;
    for (int i = 0; i < 4; ++i) {
        const auto &stored = pages_[(page + i) % kPages];
        out.insert(out.end(), stored.begin(), stored.end());
    }
    return Reply::ok(std::move(out));
}

Reply Ultralight::write_block(std::uint8_t page, ByteView data) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    if (data.size() != 16) return refuse(ReaderStatus::CardError);
    return write_four(page, data.data());
}

Reply Ultralight::write_page(std::uint8_t page, ByteView data) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    if (data.size() != 4) return refuse(ReaderStatus::CardError);
    return write_four(page, data.data());
}

Reply Ultralight::write_four(std::uint8_t page, const std::uint8_t *data) {
    if (page >= kPages) return refuse(ReaderStatus::BadAddress);
    if (page < 2) return refuse(ReaderStatus::NotAllowed);
    if (page == 2) {
        // Bytes 0 and 1 (BCC1 and the internal byte) are not written.
        const std::uint16_t wanted = static_cast<std::uint16_t>(data[2] | data[3] << 8);
        const std::uint16_t current = static_cast<std::uint16_t>(pages_[2][2] | pages_[2][3] << 8);
        const std::uint16_t updated =
            static_cast<std::uint16_t>(current | (wanted & changeable_lock_bits()));
        pages_[2][2] = static_cast<std::uint8_t>(updated & 0xFF);
        pages_[2][3] = static_cast<std::uint8_t>(updated >> 8);
        return Reply::ok();
    }
    if (page_locked(page)) return refuse(ReaderStatus::NotAllowed);
    if (page == 3) {
        for (int i = 0; i < 4; ++i) pages_[3][i] |= data[i];
        return Reply::ok();
    }
    for (int i = 0; i < 4; ++i) pages_[page][i] = data[i];
    return Reply::ok();
}

std::optional<Bytes> Ultralight::raw_memory() const {
    return blocks_back_to_back(pages_);
}

bool Ultralight::load_raw_memory(ByteView dump, std::string &error) {
    const Bytes identity_bytes = {pages_[0][0], pages_[0][1], pages_[0][2], pages_[0][3],
                                  pages_[1][0], pages_[1][1], pages_[1][2], pages_[1][3],
                                  pages_[2][0], pages_[2][1]};
    if (!dump_has_size(dump, kPages * 4, error) ||
        !dump_keeps(dump, 0, identity_bytes, "UID pages", error)) {
        return false;
    }
    fill_blocks(pages_, dump);
    return true;
}

}  // namespace sim
