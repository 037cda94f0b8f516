#pragma once

// Reading the JSON dump layouts: a parser that refuses a key given twice in
// one object (the library would keep one of them silently), hex members, and
// the "blocks" object keyed by block number.

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "cardkit/bytes.h"

namespace cardkit::codec::json_doc {

using nlohmann::json;
using nlohmann::ordered_json;

// FormatError for text that is no JSON object or names a key twice.
json parse_object(std::string_view content);

// A hex string member of `object` of `min_size` to `max_size` bytes; nullopt when
// absent, FormatError naming `where` and the member when it is anything else.
std::optional<Bytes> hex_member(const json &object, std::string_view name, const std::string &where,
                                std::size_t min_size, std::size_t max_size);
std::optional<std::uint8_t> byte_member(const json &object, std::string_view name,
                                        const std::string &where);
// An object member, or an empty object when absent; FormatError when not an object.
const json &object_member(const json &object, std::string_view name, const std::string &where);
std::optional<std::string> string_member(const json &object, std::string_view name);

struct JsonBlock {
    std::string key;  // as the file spells it, for messages
    Bytes bytes;
};
// The members of a "blocks" object by number (0 to `highest`), each a hex
// string of `size` bytes. FormatError naming the key for anything else, and for
// two keys of one number ("1" and "01").
std::map<int, JsonBlock> read_blocks(const json &blocks, int highest, std::size_t size);
// "blocks: \"64\"".
std::string block_where(const JsonBlock &block);

}  // namespace cardkit::codec::json_doc
