#pragma once

// The kinds of card the program can put in the field, with their fixed default
// identities and contents, so that every run starts from the same cards.

#include <memory>
#include <string_view>
#include <vector>

#include "cards/card.h"

namespace sim {

// The names --card accepts, in the order --help lists them.
const std::vector<std::string_view> &card_kinds();

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
