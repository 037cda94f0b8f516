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

#include "cardkit/bytes.h"
#include "cardkit/mifare_layout.h"
#include "cli/key_candidates.h"
#include "cli/reader.h"
#include "cli/type_a_card.h"

namespace rfcard {

using MifareBlock = std::array<std::uint8_t, 16>;

class MifareCard {
public:
    MifareCard(Reader &reader, TypeACard card) : reader_(reader), card_(std::move(card)) {}

    const TypeACard &card() const { return card_; }
    Reader &reader() { return reader_; }

    // Tries `candidates` in order as key `type` of `sector`. The key that
    // authenticated, which is then the key in use, or nullopt. `on_try` is told
    // how many have been tried before each try.
    std::optional<cardkit::MifareKey> find_key(
        int sector, cardkit::KeyType type, const std::vector<cardkit::MifareKey> &candidates,
        const std::function<void(std::size_t tried)> &on_try = {});

    // Makes a key known to open `sector` the key in use.
    void use_key(int sector, cardkit::KeyType type, const cardkit::MifareKey &key);
    std::optional<cardkit::KeyType> key_in_use() const;

    // Selects and authenticates again if the card fell back since. A ReaderError
    // when the key in use no longer opens the sector.
    void open();

    // A block of the sector in use; nullopt when the card refuses it (status 06).
    std::optional<MifareBlock> read(int block);
    // False when the card refuses the write (status 06).
    bool write(int block, cardkit::ByteView data);
    // After a command the caller ran itself and the card refused.
    void fell_back() {
        authenticated_ = false;
        selected_ = false;
    }

    // Authentications tried while looking for keys, and how many failed.
    long keys_tried() const { return keys_tried_; }
    long keys_failed() const { return keys_failed_; }

private:
    struct KeyInUse {
        int sector;
        cardkit::KeyType type;
        cardkit::MifareKey key;
    };
    // One authentication; true when the key opened the sector, false when the
    // card refused it (it then fell back).
    bool authenticate(int sector, cardkit::KeyType type, const cardkit::MifareKey &key);

    Reader &reader_;
    TypeACard card_;
    bool selected_ = true;
    bool authenticated_ = false;
    std::optional<KeyInUse> in_use_;
    long keys_tried_ = 0;
    long keys_failed_ = 0;
};

}  // namespace rfcard
