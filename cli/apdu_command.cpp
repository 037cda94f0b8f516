// apdu: activates an ISO 14443-4 card of Type A or B and exchanges commands with
// it, each answer's status word in words.

#include <cstring>

#include "cardkit/bytes.h"
#include "commands.h"
#include "protocol/frame.h"
#include "status_words.h"

namespace rfcard {

namespace {

constexpr std::size_t kTypeAUidSize = 4;  // the activation answer: UID, then ATS
constexpr std::int32_t kWakeUpB = 1;
constexpr std::int32_t kTypeBLeadingByte = 0;

cardkit::Bytes parse_command(const std::string &text) {
    std::string digits = text;
    std::erase_if(digits, [](char c) { return c == ' ' || c == ':'; });
    const auto bytes = cardkit::parse_hex(digits);
    // Type B commands travel after a leading byte, so they are one byte shorter.
    constexpr std::size_t kLongest = protocol::kMaxRequestData - 1;
    if (!bytes || bytes->empty() || bytes->size() > kLongest) {
        throw ToolError(kExitUsage, "\"" + text + "\" is not a command of 1 to " +
                                        std::to_string(kLongest) + " bytes in hex");
    }
    return *bytes;
}

// One activated card and how to talk to it.
struct ActiveCard {
    char type = 'A';
    std::uint32_t pupi = 0;  // Type B
};

// Type A: nullopt when no card answered or the one that did is no processor
// card, with `refusal` set to the result then; Type B may still answer.
std::optional<ActiveCard> activate_a(cardwork::ReaderSession &reader, Output &out,
                                     std::int32_t &refusal) {
    reader.power_field(protocol::kProtocolTypeA);
    std::uint8_t answer[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t result =
        CARDWORK_TRY(reader, rf_typea_rst, protocol::kRequestAll, answer, &length);
    if (result == cardwork::kNoCard || result == cardwork::kNotIso14443_4) {
        refusal = result;
        return std::nullopt;
    }
    if (result != 0)
        throw cardwork::CardError::call("rf_typea_rst", result,
                                        "the Type A card was not activated");
    const cardkit::ByteView whole(answer, length);
    const auto uid = whole.first(std::min<std::size_t>(kTypeAUidSize, length));
    const auto ats = whole.subspan(uid.size());
    out.data()["card"] = {
        {"type", "A"}, {"uid", cardkit::to_hex(uid)}, {"ats", cardkit::to_hex(ats)}};
    out.text("Type A card " + cardkit::to_hex(uid, ' ') + ", ATS " + cardkit::to_hex(ats, ' '));
    return ActiveCard{'A'};
}

std::optional<ActiveCard> activate_b(cardwork::ReaderSession &reader, Output &out) {
    reader.power_field(protocol::kProtocolTypeB);
    std::uint8_t atqb[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t result = CARDWORK_TRY(reader, rf_atqb, kWakeUpB, atqb, &length);
    if (result == cardwork::kNoCard) return std::nullopt;
    if (result != 0) throw cardwork::CardError::call("rf_atqb", result);
    ActiveCard card{'B'};
    // The PUPI travels as it stands in the ATQB, passed as one 32-bit value.
    std::memcpy(&card.pupi, atqb + 1, 4);
    CARDWORK_CALL(reader, rf_attrib, card.pupi, 0);
    const cardkit::ByteView pupi(atqb + 1, 4);
    out.data()["card"] = {{"type", "B"},
                          {"pupi", cardkit::to_hex(pupi)},
                          {"atqb", cardkit::to_hex(cardkit::ByteView(atqb, length))}};
    out.text("Type B card, PUPI " + cardkit::to_hex(pupi, ' '));
    return card;
}

}  // namespace

int run_apdu(CommandContext &context, const std::vector<std::string> &texts,
             const std::string &type) {
    std::vector<cardkit::Bytes> commands;
    for (const std::string &text : texts) commands.push_back(parse_command(text));
    Output &out = context.out();
    cardwork::ReaderSession &reader = context.reader();

    std::optional<ActiveCard> card;
    std::int32_t refusal_a = 0;
    if (type != "B") card = activate_a(reader, out, refusal_a);
    if (!card && type != "A") card = activate_b(reader, out);
    if (!card) {
        // A Type A card that answered says more than the silence of Type B.
        const bool a_answered = refusal_a == cardwork::kNotIso14443_4;
        throw cardwork::CardError::call(a_answered || type == "A" ? "rf_typea_rst" : "rf_atqb",
                                        a_answered ? refusal_a : cardwork::kNoCard,
                                        "no ISO 14443-4 card in the field");
    }

    bool all_done = true;
    Json exchanges = Json::array();
    for (const cardkit::Bytes &command : commands) {
        std::uint8_t answer[protocol::kAnswerRoom] = {};
        std::uint8_t length = 0;
        const auto size = static_cast<std::int32_t>(command.size());
        if (card->type == 'A') {
            CARDWORK_CALL(reader, rf_cos_command, command.data(), size, answer, &length);
        } else {
            CARDWORK_CALL(reader, rf_typeb_cos, kTypeBLeadingByte, command.data(), size, answer,
                          &length);
        }
        out.text("> " + cardkit::to_hex(command, ' '));
        Json exchange = {{"command", cardkit::to_hex(command)},
                         {"response", cardkit::to_hex(cardkit::ByteView(answer, length))}};
        if (length < 2) {
            all_done = false;
            out.text("< " + cardkit::to_hex(cardkit::ByteView(answer, length), ' ') +
                     " (no status word)");
        } else {
            const std::uint8_t sw1 = answer[length - 2], sw2 = answer[length - 1];
            const std::string meaning = status_word_meaning(sw1, sw2);
            all_done = all_done && (sw1 == 0x90 || sw1 == 0x61);
            out.text("< " + cardkit::to_hex(cardkit::ByteView(answer, length - 2u), ' ') +
                     (length > 2 ? "  " : "") +
                     cardkit::to_hex(cardkit::ByteView(answer + length - 2, 2), ' ') + ": " +
                     meaning);
            exchange["data"] = cardkit::to_hex(cardkit::ByteView(answer, length - 2u));
            exchange["sw"] = cardkit::to_hex(cardkit::ByteView(answer + length - 2, 2));
            exchange["meaning"] = meaning;
        }
        exchanges.push_back(std::move(exchange));
    }
    out.data()["exchanges"] = std::move(exchanges);
    // Leave the card as it was found; a card already gone does not matter now.
    if (card->type == 'A') {
        CARDWORK_TRY(reader, rf_cl_deselect);
    } else {
        CARDWORK_TRY(reader, rf_hltb, card->pupi);
    }
    return all_done ? kExitDone : kExitIncomplete;
}

}  // namespace rfcard
