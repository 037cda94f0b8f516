#include "json_document.h"

#include <set>
#include <vector>

#include "text_lines.h"

namespace cardkit::codec::json_doc {

namespace {

std::string shortened(std::string_view text) {
    return std::string(text.substr(0, 24)) + (text.size() > 24 ? "..." : "");
}

}  // namespace

json parse_object(std::string_view content) {
    std::vector<std::set<std::string>> open_objects;
    std::optional<std::string> twice;
    const json::parser_callback_t track = [&](int, json::parse_event_t event, json &parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
                open_objects.emplace_back();
                break;
            case json::parse_event_t::object_end:
                if (!open_objects.empty()) open_objects.pop_back();
                break;
            case json::parse_event_t::key:
                if (!open_objects.empty() && parsed.is_string() &&
                    !open_objects.back().insert(parsed.get<std::string>()).second && !twice) {
                    twice = parsed.get<std::string>();
                }
                break;
            default:
                break;
        }
        return true;
    };
    json root = json::parse(content, track, false);
    if (root.is_discarded()) throw FormatError("not valid JSON");
    if (twice)
        throw FormatError("the key \"" + shortened(*twice) + "\" appears twice in one object");
    if (!root.is_object()) throw FormatError("not a JSON object");
    return root;
}

std::optional<Bytes> hex_member(const json &object, std::string_view name, const std::string &where,
                                std::size_t min_size, std::size_t max_size) {
    const auto member = object.find(std::string(name));
    if (member == object.end()) return std::nullopt;
    std::optional<Bytes> bytes;
    if (member->is_string()) bytes = parse_hex(member->get_ref<const std::string &>());
    if (!bytes || bytes->size() < min_size || bytes->size() > max_size) {
        throw FormatError(where + "\"" + std::string(name) + "\" is not " +
                          (min_size == max_size
                               ? std::to_string(min_size)
                               : std::to_string(min_size) + " to " + std::to_string(max_size)) +
                          " bytes in hex");
    }
    return bytes;
}

std::optional<std::uint8_t> byte_member(const json &object, std::string_view name,
                                        const std::string &where) {
    const auto bytes = hex_member(object, name, where, 1, 1);
    return bytes ? std::optional<std::uint8_t>((*bytes)[0]) : std::nullopt;
}

const json &object_member(const json &object, std::string_view name, const std::string &where) {
    static const json kEmpty = json::object();
    const auto member = object.find(std::string(name));
    if (member == object.end()) return kEmpty;
    if (!member->is_object())
        throw FormatError(where + "\"" + std::string(name) + "\" is not an object");
    return *member;
}

std::optional<std::string> string_member(const json &object, std::string_view name) {
    const auto member = object.find(std::string(name));
    if (member == object.end() || !member->is_string()) return std::nullopt;
    return member->get<std::string>();
}

std::map<int, JsonBlock> read_blocks(const json &blocks, int highest, std::size_t size) {
    std::map<int, JsonBlock> read;
    for (const auto &[key, value] : blocks.items()) {
        const std::string where = "blocks: \"" + shortened(key) + "\" ";
        const auto number = parse_decimal(key, 99999);
        if (!number) throw FormatError(where + "is not a block number");
        if (*number > highest) {
            throw FormatError(where + "is beyond block " + std::to_string(highest) +
                              ", the last this layout holds");
        }
        std::optional<Bytes> bytes;
        if (value.is_string()) bytes = parse_hex(value.get_ref<const std::string &>());
        if (!bytes) throw FormatError(where + "is not a string of hex digit pairs");
        if (bytes->size() != size) {
            throw FormatError(where + "is not " + std::to_string(size) + " bytes");
        }
        const auto [at, added] = read.try_emplace(*number, JsonBlock{key, std::move(*bytes)});
        if (!added) {
            throw FormatError(where + "and \"" + shortened(at->second.key) + "\" are both block " +
                              std::to_string(*number));
        }
    }
    return read;
}

std::string block_where(const JsonBlock &block) {
    return "blocks: \"" + shortened(block.key) + "\"";
}

}  // namespace cardkit::codec::json_doc
