#pragma once

// What was read from a card: its blocks, which of their bytes are known (sectors
// whose keys were not found stay unknown), and the card's identity. Mifare Classic
// keys live where the card keeps them, in each sector's trailer, so a key is known
// exactly when its six trailer bytes are.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cardkit/access_bits.h"
#include "cardkit/bytes.h"
#include "cardkit/mifare_layout.h"
#include "cardkit/ultralight_layout.h"

namespace cardkit {

enum class CardFamily { MifareClassic, Ultralight, Srix4k, Sr176, Iso15693 };

// "Mifare Classic", "Ultralight", "SRIX4K", "SR176", "ISO 15693".
std::string_view family_name(CardFamily family);

struct CardIdentity {
    Bytes uid{};  // as shown to the operator; ISO 15693 and SR UIDs maker byte first (E0 ...)
    std::optional<std::array<std::uint8_t, 2>> atqa{};  // in the order the card sends them
    std::optional<std::uint8_t> sak{};
    std::optional<std::uint8_t> dsfid{};  // ISO 15693
    std::optional<std::uint8_t> afi{};    // ISO 15693
    bool operator==(const CardIdentity &) const = default;
};

// What an Ultralight or NTAG tag answers besides its pages; each part is
// unknown until a file or the tag gives it.
struct UltralightInfo {
    std::optional<std::array<std::uint8_t, 8>> version{};     // GET_VERSION
    std::optional<std::array<std::uint8_t, 32>> signature{};  // READ_SIG
    std::array<std::optional<std::uint32_t>, 3> counters{};   // READ_CNT, 24 bits each
    std::array<std::optional<std::uint8_t>, 3> tearing{};     // CHECK_TEARING_EVENT
    std::optional<std::array<std::uint8_t, 2>> tbo0{};        // emulator bytes of one tool
    std::optional<std::uint8_t> tbo1{};
    std::optional<std::uint32_t> failed_authentications{};
    bool operator==(const UltralightInfo &) const = default;
};

// ISO 15693 system information beyond DSFID and AFI.
struct Iso15693Info {
    std::optional<std::uint8_t> ic_reference{};
    std::optional<bool> dsfid_locked{};
    std::optional<bool> afi_locked{};
    bool operator==(const Iso15693Info &) const = default;
};

// A value only one file format keeps and this model does not interpret (the
// SLIX section of a key/value file, a JSON tool's emulator state), kept by the
// format's name so that format writes it back and the others name it as lost.
struct FormatField {
    std::string format;  // "nfc", "json"
    std::string name;
    std::string value;
    bool operator==(const FormatField &) const = default;
};

class CardDump {
public:
    // Every byte starts unknown.
    static CardDump mifare_classic(MifareType type);
    // The pages of the type (16 for the first Ultralight).
    static CardDump ultralight(UltralightType type = UltralightType::Ultralight);
    // 128 blocks of 4 bytes, and the system block, each as the tag sends it
    // (least significant byte first), the order the common tools' files keep.
    static CardDump srix4k();
    static CardDump sr176();  // 16 blocks of 2 bytes
    // 1 to 256 blocks of 1 to 32 bytes; std::invalid_argument otherwise.
    static CardDump iso15693(int block_count, int block_size);

    CardFamily family() const { return family_; }
    // Set for Mifare Classic dumps only.
    std::optional<MifareType> mifare_type() const { return mifare_type_; }
    // Set for Ultralight dumps only.
    std::optional<UltralightType> ultralight_type() const { return ultralight_type_; }
    int block_count() const { return block_count_; }
    int block_size() const { return block_size_; }
    // "Mifare Classic 1K", "NTAG215", "ISO 15693, 64 blocks of 4 bytes", ...
    std::string description() const;

    // Blocks are numbered from 0; a number or range outside the dump throws
    // std::out_of_range, data of the wrong size std::invalid_argument.
    // Unknown bytes read as 00.
    ByteView block(int block) const;
    bool byte_known(int block, int offset) const;
    bool block_known(int block) const;    // every byte
    bool block_unknown(int block) const;  // no byte
    bool has_unknown_bytes() const;
    void set_block(int block, ByteView data);
    void set_bytes(int block, int offset, ByteView data);
    void forget_bytes(int block, int offset, int count);
    void forget_block(int block);

    // Mifare Classic sectors (std::logic_error for other families).
    int sector_count() const;
    std::optional<MifareKey> key(int sector, KeyType type) const;
    // Writes the key into the trailer, where a dump keeps it.
    void set_key(int sector, KeyType type, const MifareKey &key);
    // nullopt while the access bytes are unknown or their copies disagree.
    std::optional<AccessBits> access_bits(int sector) const;

    const CardIdentity &identity() const { return identity_; }
    void set_identity(CardIdentity identity) { identity_ = std::move(identity); }

    // SRIX4K only (std::logic_error otherwise).
    const std::optional<std::array<std::uint8_t, 4>> &system_block() const { return system_; }
    void set_system_block(std::optional<std::array<std::uint8_t, 4>> block);

    // ISO 15693 only: one lock status byte a block (0 unlocked, 1 locked), as the
    // tag answers them; the size must equal the block count.
    const std::optional<Bytes> &block_security() const { return security_; }
    void set_block_security(std::optional<Bytes> security);

    // Ultralight only (std::logic_error otherwise).
    const UltralightInfo &ultralight_info() const { return ultralight_info_; }
    void set_ultralight_info(UltralightInfo info);

    // ISO 15693 only (std::logic_error otherwise).
    const Iso15693Info &iso15693_info() const { return iso15693_info_; }
    void set_iso15693_info(Iso15693Info info);

    const std::vector<FormatField> &format_fields() const { return format_fields_; }
    void set_format_fields(std::vector<FormatField> fields) { format_fields_ = std::move(fields); }

    bool operator==(const CardDump &) const = default;

private:
    CardDump(CardFamily family, std::optional<MifareType> type, int blocks, int block_size);
    std::size_t offset_of(int block, int offset, int count) const;
    void require_mifare(int sector) const;

    CardFamily family_;
    std::optional<MifareType> mifare_type_;
    std::optional<UltralightType> ultralight_type_;
    int block_count_;
    int block_size_;
    Bytes data_;
    Bytes known_;  // 1 for each known byte of data_
    CardIdentity identity_;
    std::optional<std::array<std::uint8_t, 4>> system_;
    std::optional<Bytes> security_;
    UltralightInfo ultralight_info_;
    Iso15693Info iso15693_info_;
    std::vector<FormatField> format_fields_;
};

// The identity the blocks themselves carry: a Mifare Classic block 0 with a
// 4-byte UID and a valid check byte (UID, ATQA, SAK), or Ultralight pages 0 to 2
// with valid check bytes (UID). Empty otherwise.
CardIdentity identity_in_blocks(const CardDump &dump);

}  // namespace cardkit
