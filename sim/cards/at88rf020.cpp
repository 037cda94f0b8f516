#include "cards/at88rf020.h"

#include <algorithm>

namespace sim {

namespace {

constexpr int kIdPage = 0;
constexpr int kCountPage = 2;
constexpr int kPasswordPage = 3;

}  // namespace

// Application data: four bytes of the issuer's; protocol information: 106 kbit/s,
// frame size 32, protocol type 0 (not ISO 14443-4), FWI 4.
At88rf020::At88rf020(Pupi pupi)
    : TypeBCard(Protocol::At88rf020, pupi, {0x41, 0x54, 0x30, 0x32}, {0x00, 0x20, 0x40}) {
    std::copy(pupi.begin(), pupi.end(), pages_[kIdPage].begin());
    pages_[1] = {0x54, 0x49, 0x4C, 0x56, 0x41, 0x4E, 0x45, 0x20};
    pages_[kPasswordPage] = kDefaultPassword;
}

bool At88rf020::page_locked(int page) const {
    return (pages_[kIdPage][4 + page / 8] >> (page % 8)) & 1;
}

Reply At88rf020::check_password(ByteView password) {
    if (!listening()) return Reply::fail(ReaderStatus::NoCard);
    password_checked_ = password.size() == 8 &&
                        std::equal(password.begin(), password.end(), pages_[kPasswordPage].begin());
    return password_checked_ ? Reply::ok() : Reply::fail(ReaderStatus::AuthFailed);
}

Reply At88rf020::read_page(std::uint8_t page) {
    if (!listening()) return Reply::fail(ReaderStatus::NoCard);
    if (page >= kPages) return Reply::fail(ReaderStatus::BadAddress);
    if (page == kPasswordPage) return Reply::fail(ReaderStatus::NotAllowed);
    return Reply::ok(Bytes(pages_[page].begin(), pages_[page].end()));
}

Reply At88rf020::write_page(std::uint8_t page, ByteView data) {
    if (!listening()) return Reply::fail(ReaderStatus::NoCard);
    if (data.size() != 8) return Reply::fail(ReaderStatus::BadLength);
    if (page >= kPages) return Reply::fail(ReaderStatus::BadAddress);
    if (!password_checked_) return Reply::fail(ReaderStatus::NotAuthenticated);
    if (page == kIdPage || page == kCountPage || page_locked(page)) {
        return Reply::fail(ReaderStatus::NotAllowed);
    }
    std::copy(data.begin(), data.end(), pages_[page].begin());
    return Reply::ok();
}

Reply At88rf020::lock(ByteView lock_bytes) {
    if (!listening()) return Reply::fail(ReaderStatus::NoCard);
    if (lock_bytes.size() != 4) return Reply::fail(ReaderStatus::BadLength);
    if (!password_checked_) return Reply::fail(ReaderStatus::NotAuthenticated);
    if (page_locked(kIdPage)) return Reply::fail(ReaderStatus::NotAllowed);
    for (int i = 0; i < 4; ++i) pages_[kIdPage][4 + i] |= lock_bytes[i];
    return Reply::ok();
}

Reply At88rf020::count(ByteView signature) {
    if (!listening()) return Reply::fail(ReaderStatus::NoCard);
    if (signature.size() != 6) return Reply::fail(ReaderStatus::BadLength);
    Page &page = pages_[kCountPage];
    const unsigned counter = static_cast<unsigned>(page[6] << 8 | page[7]);
    if (page_locked(kCountPage) || counter == 0xFFFF) return Reply::fail(ReaderStatus::NotAllowed);
    std::copy(signature.begin(), signature.end(), page.begin());
    page[6] = static_cast<std::uint8_t>((counter + 1) >> 8);
    page[7] = static_cast<std::uint8_t>((counter + 1) & 0xFF);
    return Reply::ok();
}

Reply At88rf020::deselect() {
    if (!listening()) return Reply::fail(ReaderStatus::NoCard);
    halt(pupi());
    return Reply::ok();
}

std::optional<Bytes> At88rf020::raw_memory() const {
    return blocks_back_to_back(pages_);
}

bool At88rf020::load_raw_memory(ByteView dump, std::string &error) {
    if (!dump_has_size(dump, kPages * sizeof(Page), error) ||
        !dump_keeps(dump, 0, ByteView(pages_[kIdPage]).first(4), "PUPI in page 0", error)) {
        return false;
    }
    fill_blocks(pages_, dump);
    return true;
}

}  // namespace sim
