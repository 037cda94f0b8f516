#pragma once

// A virtual card in the reader's field. The reader reaches it only while the
// field is on and the protocol type it is set to (rf_init_type) is the card's.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/card_protocols.h"
#include "sim/bytes.h"

namespace sim {

// The protocol type bytes of rf_init_type, one per air interface the reader speaks.
enum class Protocol : char {
    TypeA = protocol::kProtocolTypeA,  // ISO 14443 Type A: Mifare Classic, Ultralight,
                                       // Type A processor cards
    TypeB = protocol::kProtocolTypeB,  // ISO 14443 Type B processor cards
    At88rf020 = protocol::kProtocolAt88rf020,    // Type B signalling, its own command set
    ShortRange = protocol::kProtocolShortRange,  // SR176 and SRIX4K
    Vicinity = protocol::kProtocolIso15693,      // ISO 15693 tags
};

class Card {
  public:
    virtual ~Card() = default;
    Card(const Card &) = delete;
    Card &operator=(const Card &) = delete;

    virtual Protocol protocol() const = 0;
    // The field went off: everything volatile (state, authentication, selection)
    // is lost; the card's memory stays. The card wakes in its power-on state.
    virtual void power_off() = 0;

    // The name of the card's kind, as --card and the control commands know it; set
    // by the catalog that made the card (empty for a card made otherwise).
    const std::string &kind() const { return kind_; }
    void set_kind(std::string_view kind) { kind_ = kind; }
    // The UID as the operator reads it, most significant byte first (a Type B
    // card's PUPI).
    virtual Bytes identity() const = 0;

    // The card's memory as a raw dump holds it (the blocks or pages back to back,
    // as the reader reads them); nullopt for a card without such a memory.
    virtual std::optional<Bytes> raw_memory() const { return std::nullopt; }
    // Replaces the memory with a dump in the layout of raw_memory(). What the card
    // itself can never write (its UID, block 0) must be in the dump as it is on
    // the card. False with the reason in `error`, the card unchanged.
    virtual bool load_raw_memory(ByteView dump, std::string &error);

  protected:
    Card() = default;

  private:
    std::string kind_;
};

// For load_raw_memory: false with the reason when `dump` is not `size` bytes.
bool dump_has_size(ByteView dump, std::size_t size, std::string &error);
// For load_raw_memory: false with the reason when the dump's bytes from `offset` on
// are not `own`, the card's own bytes that it never writes (named by `what`).
bool dump_keeps(ByteView dump, std::size_t offset, ByteView own, std::string_view what,
                std::string &error);

// Blocks of fixed size (arrays of bytes) back to back, and back from a dump of
// exactly that size.
template <typename Blocks>
Bytes blocks_back_to_back(const Blocks &blocks) {
    Bytes out;
    for (const auto &block : blocks) append(out, block);
    return out;
}
template <typename Blocks>
void fill_blocks(Blocks &blocks, ByteView dump) {
    for (auto &block : blocks) {
        std::copy_n(dump.begin(), block.size(), block.begin());
        dump = dump.subspan(block.size());
    }
}

}  // namespace sim
