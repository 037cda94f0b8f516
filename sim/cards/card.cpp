#include "cards/card.h"

#include <algorithm>

namespace sim {

bool Card::load_raw_memory(ByteView, std::string &error) {
    error = "the card has no memory that a raw dump holds";
    return false;
}

bool dump_has_size(ByteView dump, std::size_t size, std::string &error) {
    if (dump.size() == size) return true;
    error = "the dump holds " + std::to_string(dump.size()) + " bytes, the card " +
            std::to_string(size);
    return false;
}

bool dump_keeps(ByteView dump, std::size_t offset, ByteView own, std::string_view what,
                std::string &error) {
    if (offset + own.size() > dump.size()) return dump_has_size(dump, offset + own.size(), error);
    if (std::equal(own.begin(), own.end(), dump.begin() + static_cast<std::ptrdiff_t>(offset)))
        return true;
    error = "the dump's " + std::string(what) + " (" + to_hex(dump.subspan(offset, own.size())) +
            ") is not the card's (" + to_hex(own) + "), which the card never changes";
    return false;
}

}  // namespace sim
