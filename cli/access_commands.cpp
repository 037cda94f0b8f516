// mf acl decode and mf acl encode: access bits and the rights they give, in words.

#include "cardkit/access_bits.h"
#include "commands.h"

namespace rfcard {

namespace {

int report(CommandContext &context, const std::array<std::uint8_t, 3> &bytes,
           const cardkit::AccessBits &access, int sector) {
    Output &out = context.out();
    Json conditions = Json::array();
    std::string line = cardkit::to_hex(bytes, ' ') + ": C1C2C3";
    for (const auto condition : access.groups) {
        conditions.push_back(cardkit::condition_bits(condition));
        line += " " + cardkit::condition_bits(condition);
    }
    out.text(line);
    const auto rights = cardkit::describe_access(access, cardkit::blocks_in_sector(sector));
    for (const std::string &right : rights) out.text(right);
    out.data()["bytes"] = cardkit::to_hex(bytes);
    out.data()["conditions"] = std::move(conditions);
    out.data()["rights"] = rights;
    return kExitDone;
}

}  // namespace

int run_access_decode(CommandContext &context, const std::string &text, int sector) {
    std::string digits = text;
    std::erase_if(digits, [](char c) { return c == ' ' || c == ':'; });
    const auto bytes = cardkit::parse_hex(digits);
    // Bytes 6 to 8 of a trailer, with or without the user byte, or the whole trailer.
    if (!bytes || (bytes->size() != 3 && bytes->size() != 4 && bytes->size() != 16)) {
        throw ToolError(kExitUsage, "\"" + text +
                                        "\" is neither the 3 access bytes (6 hex digits, 8 with "
                                        "the user byte) nor a 16-byte trailer");
    }
    const std::size_t offset = bytes->size() == 16 ? cardkit::kTrailerAccessBits : 0;
    const std::array<std::uint8_t, 3> triple = {(*bytes)[offset], (*bytes)[offset + 1],
                                                (*bytes)[offset + 2]};
    const auto access = cardkit::decode_access_bits(triple);
    if (!access) {
        throw ToolError(kExitBadInput, cardkit::to_hex(triple, ' ') +
                                           " are no valid access bits: their inverted copies "
                                           "disagree, and a card refuses such a sector for good");
    }
    return report(context, triple, *access, sector);
}

int run_access_encode(CommandContext &context, const std::vector<std::string> &conditions,
                      int sector) {
    cardkit::AccessBits access;
    for (std::size_t group = 0; group < conditions.size(); ++group) {
        const auto condition = cardkit::parse_condition_bits(conditions[group]);
        if (!condition) {
            throw ToolError(kExitUsage,
                            "\"" + conditions[group] + "\" is not C1C2C3, three digits 0 or 1");
        }
        access.groups[group] = *condition;
    }
    return report(context, cardkit::encode_access_bits(access), access, sector);
}

}  // namespace rfcard
