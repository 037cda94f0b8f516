#pragma once

// The kinds of card the program can put in the field, with their fixed default
// identities and contents, so that every run starts from the same cards.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "cards/card.h"

namespace sim {

// The names --card accepts, in the order --help lists them.
const std::vector<std::string_view> &card_kinds();

// How many bytes a UID of `kind` has (its PUPI for a Type B card); 0 for an
// unknown kind.
std::size_t uid_length(std::string_view kind);

// The UID of copy `copy` of `kind`, most significant byte first: the kind's
// default with `copy` added to its last byte (modulo 256), so that copies can be
// told apart. Empty for an unknown kind.
Bytes default_uid(std::string_view kind, int copy = 0);

// SR176 and SRIX4K also answer by a chip ID: the kind's default plus `copy`
// (modulo 16 for the SR176's four bits). nullopt for the other kinds.
std::optional<std::uint8_t> default_chip_id(std::string_view kind, int copy = 0);

// A new card of `kind` with `uid` (most significant byte first, uid_length(kind)
// bytes) and, for the kinds that have one, `chip_id`, in the kind's fresh state;
// its kind() is set. Null for an unknown kind or a UID of another length.
std::unique_ptr<Card> make_card(std::string_view kind, ByteView uid, std::uint8_t chip_id = 0);

// A new card of `kind`, or null for an unknown name. `copy` numbers cards of the
// same kind (0 for the first); later copies get UIDs, PUPIs and chip IDs of their
// own so that the reader can tell them apart.
std::unique_ptr<Card> make_card(std::string_view kind, int copy = 0);

// Cards from a list of kind names (unknown names are skipped).
std::vector<std::unique_ptr<Card>> make_field(const std::vector<std::string_view> &kinds);

// The field without --card: a Mifare Classic 1K, a Type B processor card, an
// AT88RF020, an SRIX4K and a 64-block ISO 15693 tag.
const std::vector<std::string_view> &default_field_kinds();

}  // namespace sim
