#include "cardkit/dump.h"

#include <algorithm>

#include "cardkit/manufacturer_block.h"

namespace cardkit {

namespace {

constexpr int kSrix4kBlocks = 128;
constexpr int kSr176Blocks = 16;

}  // namespace

std::string_view family_name(CardFamily family) {
    switch (family) {
        case CardFamily::MifareClassic:
            return "Mifare Classic";
        case CardFamily::Ultralight:
            return "Ultralight";
        case CardFamily::Srix4k:
            return "SRIX4K";
        case CardFamily::Sr176:
            return "SR176";
        case CardFamily::Iso15693:
            return "ISO 15693";
    }
    return "";
}

CardDump::CardDump(CardFamily family, std::optional<MifareType> type, int blocks, int block_size)
    : family_(family),
      mifare_type_(type),
      block_count_(blocks),
      block_size_(block_size),
      data_(static_cast<std::size_t>(blocks * block_size)),
      known_(data_.size()) {}

CardDump CardDump::mifare_classic(MifareType type) {
    return {CardFamily::MifareClassic, type, cardkit::block_count(type), kMifareBlockSize};
}

CardDump CardDump::ultralight(UltralightType type) {
    CardDump dump(CardFamily::Ultralight, std::nullopt, ultralight_pages(type),
                  kUltralightPageSize);
    dump.ultralight_type_ = type;
    return dump;
}

CardDump CardDump::srix4k() { return {CardFamily::Srix4k, std::nullopt, kSrix4kBlocks, 4}; }

CardDump CardDump::sr176() { return {CardFamily::Sr176, std::nullopt, kSr176Blocks, 2}; }

CardDump CardDump::iso15693(int block_count, int block_size) {
    if (block_count < 1 || block_count > 256 || block_size < 1 || block_size > 32) {
        throw std::invalid_argument("an ISO 15693 dump holds 1 to 256 blocks of 1 to 32 bytes");
    }
    return {CardFamily::Iso15693, std::nullopt, block_count, block_size};
}

std::string CardDump::description() const {
    if (ultralight_type_) return std::string(ultralight_type_name(*ultralight_type_));
    std::string text(family_name(family_));
    if (mifare_type_) return text + " " + std::string(mifare_type_name(*mifare_type_));
    if (family_ == CardFamily::Iso15693) {
        text += ", " + std::to_string(block_count_) + " blocks of " + std::to_string(block_size_) +
                " bytes";
    }
    return text;
}

std::size_t CardDump::offset_of(int block, int offset, int count) const {
    if (block < 0 || block >= block_count_ || offset < 0 || count < 0 ||
        offset + count > block_size_) {
        throw std::out_of_range(description() + ": no bytes " + std::to_string(offset) + " to " +
                                std::to_string(offset + count - 1) + " in block " +
                                std::to_string(block));
    }
    return static_cast<std::size_t>(block * block_size_ + offset);
}

ByteView CardDump::block(int block) const {
    return ByteView(data_).subspan(offset_of(block, 0, block_size_),
                                   static_cast<std::size_t>(block_size_));
}

bool CardDump::byte_known(int block, int offset) const {
    return known_[offset_of(block, offset, 1)] != 0;
}

bool CardDump::block_known(int block) const {
    const auto first =
        known_.begin() + static_cast<std::ptrdiff_t>(offset_of(block, 0, block_size_));
    return std::all_of(first, first + block_size_, [](std::uint8_t k) { return k != 0; });
}

bool CardDump::block_unknown(int block) const {
    const auto first =
        known_.begin() + static_cast<std::ptrdiff_t>(offset_of(block, 0, block_size_));
    return std::none_of(first, first + block_size_, [](std::uint8_t k) { return k != 0; });
}

bool CardDump::has_unknown_bytes() const {
    return std::any_of(known_.begin(), known_.end(), [](std::uint8_t k) { return k == 0; });
}

void CardDump::set_block(int block, ByteView data) {
    if (data.size() != static_cast<std::size_t>(block_size_)) {
        throw std::invalid_argument(description() + ": a block holds " +
                                    std::to_string(block_size_) + " bytes");
    }
    set_bytes(block, 0, data);
}

void CardDump::set_bytes(int block, int offset, ByteView data) {
    const std::size_t at = offset_of(block, offset, static_cast<int>(data.size()));
    std::copy(data.begin(), data.end(), data_.begin() + static_cast<std::ptrdiff_t>(at));
    std::fill_n(known_.begin() + static_cast<std::ptrdiff_t>(at), data.size(), 1);
}

void CardDump::forget_bytes(int block, int offset, int count) {
    const auto at = static_cast<std::ptrdiff_t>(offset_of(block, offset, count));
    // Unknown bytes hold 00, so that dumps that know the same compare equal.
    std::fill_n(data_.begin() + at, count, 0);
    std::fill_n(known_.begin() + at, count, 0);
}

void CardDump::forget_block(int block) { forget_bytes(block, 0, block_size_); }

void CardDump::require_mifare(int sector) const {
    if (!mifare_type_) throw std::logic_error(description() + " has no sectors");
    if (sector < 0 || sector >= cardkit::sector_count(*mifare_type_)) {
        throw std::out_of_range(description() + " has no sector " + std::to_string(sector));
    }
}

int CardDump::sector_count() const {
    require_mifare(0);
    return cardkit::sector_count(*mifare_type_);
}

std::optional<MifareKey> CardDump::key(int sector, KeyType type) const {
    require_mifare(sector);
    const int trailer = trailer_block(sector);
    const int offset = type == KeyType::A ? kTrailerKeyA : kTrailerKeyB;
    MifareKey key{};
    for (int i = 0; i < 6; ++i) {
        if (!byte_known(trailer, offset + i)) return std::nullopt;
        key[i] = block(trailer)[offset + i];
    }
    return key;
}

void CardDump::set_key(int sector, KeyType type, const MifareKey &key) {
    require_mifare(sector);
    set_bytes(trailer_block(sector), type == KeyType::A ? kTrailerKeyA : kTrailerKeyB, key);
}

std::optional<AccessBits> CardDump::access_bits(int sector) const {
    require_mifare(sector);
    const int trailer = trailer_block(sector);
    for (int i = 0; i < 3; ++i) {
        if (!byte_known(trailer, kTrailerAccessBits + i)) return std::nullopt;
    }
    return decode_access_bits(block(trailer).subspan(kTrailerAccessBits, 3));
}

void CardDump::set_system_block(std::optional<std::array<std::uint8_t, 4>> block) {
    if (family_ != CardFamily::Srix4k)
        throw std::logic_error(description() + " has no system block");
    system_ = block;
}

void CardDump::set_block_security(std::optional<Bytes> security) {
    if (family_ != CardFamily::Iso15693) {
        throw std::logic_error(description() + " has no block security status");
    }
    if (security && security->size() != static_cast<std::size_t>(block_count_)) {
        throw std::invalid_argument(description() + ": one security byte a block");
    }
    security_ = std::move(security);
}

void CardDump::set_ultralight_info(UltralightInfo info) {
    if (family_ != CardFamily::Ultralight) {
        throw std::logic_error(description() + " has no Ultralight version or counters");
    }
    ultralight_info_ = info;
}

void CardDump::set_iso15693_info(Iso15693Info info) {
    if (family_ != CardFamily::Iso15693) {
        throw std::logic_error(description() + " has no ISO 15693 system information");
    }
    iso15693_info_ = info;
}

CardIdentity identity_in_blocks(const CardDump &dump) {
    CardIdentity identity;
    if (dump.family() == CardFamily::MifareClassic && dump.block_known(0)) {
        const auto block0 = decode_manufacturer_block(dump.block(0));
        if (block0 && block0->check_byte_valid) {
            identity.uid = block0->uid;
            identity.atqa = block0->atqa;
            identity.sak = block0->sak;
        }
    } else if (dump.family() == CardFamily::Ultralight && dump.block_known(0) &&
               dump.block_known(1) && dump.block_known(2)) {
        Bytes pages;
        for (int page = 0; page < 3; ++page) {
            pages.insert(pages.end(), dump.block(page).begin(), dump.block(page).end());
        }
        const auto decoded = decode_ultralight_identity(pages);
        if (decoded && decoded->check_bytes_valid) {
            identity.uid.assign(decoded->uid.begin(), decoded->uid.end());
        }
    }
    return identity;
}

}  // namespace cardkit
