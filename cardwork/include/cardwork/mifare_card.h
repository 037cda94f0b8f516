#pragma once

// A Mifare Classic card opened sector by sector. The card falls back to idle
// after anything it refuses (a wrong key, a forbidden read or write), losing its
// authentication; this class selects it again and authenticates with the key in
// use only when the next command needs it, so no exchange is spent on a card
// that is still open.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "cardkit/bytes.h"
#include "cardkit/mifare_layout.h"
#include "cardwork/reader_session.h"
#include "cardwork/type_a.h"

namespace cardwork {

using MifareBlock = std::array<std::uint8_t, 16>;

class MifareCard {
public:
    MifareCard(ReaderSession &session, TypeACard card)
        : session_(session), card_(std::move(card)) {}

    const TypeACard &card() const { return card_; }
    ReaderSession &session() { return session_; }

    // Tries `candidates` in order as key `type` of `sector`. The key that
    // authenticated, which is then the key in use, or nullopt. `on_try` is told
    // how many have been tried before each try.
    std::optional<cardkit::MifareKey> find_key(
        int sector, cardkit::KeyType type, const std::vector<cardkit::MifareKey> &candidates,
        const std::function<void(std::size_t tried)> &on_try = {});

    // Makes a key known to open `sector` the key in use.
    void use_key(int sector, cardkit::KeyType type, const cardkit::MifareKey &key);
    std::optional<cardkit::KeyType> key_in_use() const;

    // Selects and authenticates again if the card fell back since. A CardError
    // when the key in use no longer opens the sector.
    void open();

    // A block of the sector in use; nullopt when the card refuses it (status 06).
    std::optional<MifareBlock> read(int block);
    // False when the card refuses the write (status 06).
    bool write(int block, cardkit::ByteView data);

    // The value operations on a value block of the sector in use, each one
    // exchange that must succeed (increment and decrement transfer the result
    // into the same block). A refusal is a CardError; the card fell back then.
    void init_value(int block, std::int32_t value);
    void increment(int block, std::int32_t amount);
    void decrement(int block, std::int32_t amount);

    // After a command the caller ran itself and the card refused.
    void fell_back() {
        authenticated_ = false;
        selected_ = false;
    }

    // Authentications tried while looking for keys, and how many failed.
    long keys_tried() const { return keys_tried_; }
    long keys_failed() const { return keys_failed_; }

    // The last command the card refused (a wrong key, a read or write its access
    // conditions forbid): what a caller names when work went without it.
    struct Refusal {
        const char *function;
        std::int32_t result;
    };
    const std::optional<Refusal> &last_refusal() const { return last_refusal_; }

private:
    struct KeyInUse {
        int sector;
        cardkit::KeyType type;
        cardkit::MifareKey key;
    };
    // One authentication; true when the key opened the sector, false when the
    // card refused it (it then fell back).
    bool authenticate(int sector, cardkit::KeyType type, const cardkit::MifareKey &key);
    // A value operation on the open sector.
    template <typename Function>
    void value_call(const char *name, Function function, int block, std::int32_t operand);

    ReaderSession &session_;
    TypeACard card_;
    bool selected_ = true;
    bool authenticated_ = false;
    std::optional<KeyInUse> in_use_;
    long keys_tried_ = 0;
    long keys_failed_ = 0;
    std::optional<Refusal> last_refusal_;
};

}  // namespace cardwork
