#include "cards/mifare_classic.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

constexpr std::uint8_t kGeneralPurposeByte = 0x69;

MifareBlock transport_trailer() {
    MifareBlock trailer{};
    std::copy(kDefaultMifareKey.begin(), kDefaultMifareKey.end(), trailer.begin());
    const auto bits = encode_access_bits(kTransportAccess);
    std::copy(bits.begin(), bits.end(), trailer.begin() + 6);
    trailer[9] = kGeneralPurposeByte;
    std::copy(kDefaultMifareKey.begin(), kDefaultMifareKey.end(), trailer.begin() + 10);
    return trailer;
}

}  // namespace

MifareBlock make_value_block(std::int32_t value, std::uint8_t address) {
    MifareBlock block{};
    const auto bits = static_cast<std::uint32_t>(value);
    put_le32(block.data(), bits);
    put_le32(block.data() + 4, ~bits);
    put_le32(block.data() + 8, bits);
    block[12] = address;
    block[13] = static_cast<std::uint8_t>(~address);
    block[14] = address;
    block[15] = static_cast<std::uint8_t>(~address);
    return block;
}

std::optional<ValueBlock> parse_value_block(const MifareBlock &block) {
    const std::uint32_t value = get_le32(block.data());
    if (get_le32(block.data() + 4) != ~value || get_le32(block.data() + 8) != value) {
        return std::nullopt;
    }
    const std::uint8_t address = block[12];
    if (block[13] != static_cast<std::uint8_t>(~address) || block[14] != address ||
        block[15] != static_cast<std::uint8_t>(~address)) {
        return std::nullopt;
    }
    return ValueBlock{static_cast<std::int32_t>(value), address};
}

MifareClassic::MifareClassic(Size size, std::array<std::uint8_t, 4> uid)
    : TypeACard(Bytes(uid.begin(), uid.end()),
                size == Size::k1K ? std::array<std::uint8_t, 2>{0x04, 0x00}
                                  : std::array<std::uint8_t, 2>{0x02, 0x00},
                size == Size::k1K ? 0x08 : 0x18),
      memory_(size == Size::k1K ? 64 : 256) {
    // Manufacturer block: UID, BCC, SAK, ATQA (least significant byte first), then
    // the maker's data.
    MifareBlock &manufacturer = memory_[0];
    std::copy(uid.begin(), uid.end(), manufacturer.begin());
    manufacturer[4] = static_cast<std::uint8_t>(uid[0] ^ uid[1] ^ uid[2] ^ uid[3]);
    manufacturer[5] = final_sak();
    manufacturer[6] = atqa()[0];
    manufacturer[7] = atqa()[1];
    const std::uint8_t maker_data[8] = {0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69};
    std::memcpy(manufacturer.data() + 8, maker_data, sizeof maker_data);

    const int sectors = size == Size::k1K ? 16 : 40;
    for (int sector = 0; sector < sectors; ++sector)
        memory_[trailer_of(sector)] = transport_trailer();
}

int MifareClassic::sector_of(int block) {
    return block < 128 ? block / 4 : 32 + (block - 128) / 16;
}

int MifareClassic::first_block_of(int sector) {
    return sector < 32 ? sector * 4 : 128 + (sector - 32) * 16;
}

int MifareClassic::blocks_in(int sector) {
    return sector < 32 ? 4 : 16;
}

int MifareClassic::group_of(int block) const {
    const int sector = sector_of(block);
    const int index = block - first_block_of(sector);
    if (blocks_in(sector) == 4) return index;
    return index == 15 ? 3 : index / 5;
}

std::optional<SectorAccess> MifareClassic::access_of(int sector) const {
    return decode_access_bits(memory_[trailer_of(sector)].data() + 6);
}

void MifareClassic::on_reset() {
    authenticated_sector_.reset();
    transfer_buffer_.reset();
}

Reply MifareClassic::authenticate(MifareKeyType key_type, std::uint8_t block, ByteView key) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    authenticated_sector_.reset();
    if (block >= memory_.size()) return refuse(ReaderStatus::BadAddress);
    if (key.size() != 6) return refuse(ReaderStatus::AuthFailed);
    const int sector = sector_of(block);
    const auto access = access_of(sector);
    if (!access) return refuse(ReaderStatus::AuthFailed);
    if (key_type == MifareKeyType::B && key_b_readable((*access)[3])) {
        return refuse(ReaderStatus::AuthFailed);
    }
    const MifareBlock &trailer = memory_[trailer_of(sector)];
    const std::uint8_t *stored = trailer.data() + (key_type == MifareKeyType::A ? 0 : 10);
    if (!std::equal(key.begin(), key.end(), stored)) return refuse(ReaderStatus::AuthFailed);
    authenticated_sector_ = sector;
    authenticated_key_ = key_type;
    transfer_buffer_.reset();
    return Reply::ok();
}

ReaderStatus MifareClassic::opened_access(int block, SectorAccess &access) const {
    if (!authenticated_sector_ || *authenticated_sector_ != sector_of(block)) {
        return ReaderStatus::NotAuthenticated;
    }
    const auto decoded = access_of(sector_of(block));
    if (!decoded) return ReaderStatus::NotAllowed;
    access = *decoded;
    return ReaderStatus::Ok;
}

ReaderStatus MifareClassic::check_data_access(int block, DataOperation operation) const {
    SectorAccess access{};
    const ReaderStatus status = opened_access(block, access);
    if (status != ReaderStatus::Ok) return status;
    return data_block_allows(access[group_of(block)], operation, authenticated_key_)
               ? ReaderStatus::Ok
               : ReaderStatus::NotAllowed;
}

Reply MifareClassic::read_block(std::uint8_t block) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    if (block >= memory_.size()) return refuse(ReaderStatus::BadAddress);
    if (!is_trailer(block)) {
        const ReaderStatus status = check_data_access(block, DataOperation::Read);
        if (status != ReaderStatus::Ok) return refuse(status);
        const MifareBlock &stored = memory_[block];
        return Reply::ok(Bytes(stored.begin(), stored.end()));
    }

    SectorAccess access{};
    const ReaderStatus status = opened_access(block, access);
    if (status != ReaderStatus::Ok) return refuse(status);
    const AccessCondition condition = access[3];
    // Key A never reads back; the other parts read as zeros where they may not be read.
    const MifareBlock &stored = memory_[block];
    Bytes out(16, 0x00);
    if (trailer_allows_read(condition, TrailerPart::AccessBits, authenticated_key_)) {
        std::copy(stored.begin() + 6, stored.begin() + 10, out.begin() + 6);
    }
    if (trailer_allows_read(condition, TrailerPart::KeyB, authenticated_key_)) {
        std::copy(stored.begin() + 10, stored.end(), out.begin() + 10);
    }
    return Reply::ok(std::move(out));
}

Reply MifareClassic::write_block(std::uint8_t block, ByteView data) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    if (data.size() != 16) return refuse(ReaderStatus::CardError);
    if (block >= memory_.size()) return refuse(ReaderStatus::BadAddress);
    if (block == 0) return refuse(ReaderStatus::NotAllowed);
    if (!is_trailer(block)) {
        const ReaderStatus status = check_data_access(block, DataOperation::Write);
        if (status != ReaderStatus::Ok) return refuse(status);
        std::copy(data.begin(), data.end(), memory_[block].begin());
        return Reply::ok();
    }

    SectorAccess access{};
    const ReaderStatus status = opened_access(block, access);
    if (status != ReaderStatus::Ok) return refuse(status);
    const AccessCondition condition = access[3];
    const bool key_a = trailer_allows_write(condition, TrailerPart::KeyA, authenticated_key_);
    const bool bits = trailer_allows_write(condition, TrailerPart::AccessBits, authenticated_key_);
    const bool key_b = trailer_allows_write(condition, TrailerPart::KeyB, authenticated_key_);
    if (!key_a && !bits && !key_b) return refuse(ReaderStatus::NotAllowed);
    // Each part is written only where the conditions allow it; the others keep
    // their value. Access bits are taken as they come: bits whose copies disagree
    // block the sector for good, as on a real card.
    MifareBlock &stored = memory_[block];
    if (key_a) std::copy(data.begin(), data.begin() + 6, stored.begin());
    if (bits) std::copy(data.begin() + 6, data.begin() + 10, stored.begin() + 6);
    if (key_b) std::copy(data.begin() + 10, data.end(), stored.begin() + 10);
    return Reply::ok();
}

Reply MifareClassic::value_operation(ValueOperation operation, std::uint8_t block,
                                     std::uint32_t operand) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    if (block >= memory_.size()) return refuse(ReaderStatus::BadAddress);
    if (is_trailer(block) || block == 0) return refuse(ReaderStatus::NotAllowed);
    const DataOperation needed = operation == ValueOperation::Increment
                                     ? DataOperation::Increment
                                     : DataOperation::DecrementTransferRestore;
    const ReaderStatus status = check_data_access(block, needed);
    if (status != ReaderStatus::Ok) return refuse(status);
    const auto value = parse_value_block(memory_[block]);
    if (!value) return refuse(ReaderStatus::ValueFormat);

    // The card computes on 32 bits and wraps, as the chip does.
    auto result = static_cast<std::uint32_t>(value->value);
    if (operation == ValueOperation::Increment) result += operand;
    if (operation == ValueOperation::Decrement) result -= operand;
    transfer_buffer_ = make_value_block(static_cast<std::int32_t>(result), value->address);
    return Reply::ok();
}

Reply MifareClassic::transfer(std::uint8_t block) {
    if (!active()) return Reply::fail(ReaderStatus::NoCard);
    if (block >= memory_.size()) return refuse(ReaderStatus::BadAddress);
    if (is_trailer(block) || block == 0) return refuse(ReaderStatus::NotAllowed);
    const ReaderStatus status = check_data_access(block, DataOperation::DecrementTransferRestore);
    if (status != ReaderStatus::Ok) return refuse(status);
    if (!transfer_buffer_) return refuse(ReaderStatus::NotAllowed);
    memory_[block] = *transfer_buffer_;
    return Reply::ok();
}

std::optional<Bytes> MifareClassic::raw_memory() const {
    return blocks_back_to_back(memory_);
}

bool MifareClassic::load_raw_memory(ByteView dump, std::string &error) {
    if (!dump_has_size(dump, memory_.size() * sizeof(MifareBlock), error) ||
        !dump_keeps(dump, 0, memory_[0], "block 0", error)) {
        return false;
    }
    fill_blocks(memory_, dump);
    return true;
}

}  // namespace sim
