// apdu: activates an ISO 14443-4 card of Type A or B and exchanges commands with
// it, each answer's status word in words.

#include "cardkit/bytes.h"
#include "cardwork/processor_cards.h"
#include "commands.h"
#include "protocol/frame.h"
#include "status_words.h"

namespace rfcard {

namespace {

using cardkit::ByteView;

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

void describe(Output &out, const cardwork::ProcessorCard &card) {
    if (card.type == 'A') {
        out.data()["card"] = {
            {"type", "A"}, {"uid", cardkit::to_hex(card.uid)}, {"ats", cardkit::to_hex(card.ats)}};
        out.text("Type A card " + cardkit::to_hex(card.uid, ' ') + ", ATS " +
                 cardkit::to_hex(card.ats, ' '));
    } else {
        out.data()["card"] = {{"type", "B"},
                              {"pupi", cardkit::to_hex(card.pupi)},
                              {"atqb", cardkit::to_hex(card.atqb)}};
        out.text("Type B card, PUPI " + cardkit::to_hex(card.pupi, ' '));
    }
}

}  // namespace

int run_apdu(CommandContext &context, const std::vector<std::string> &texts,
             const std::string &type) {
    std::vector<cardkit::Bytes> commands;
    for (const std::string &text : texts) commands.push_back(parse_command(text));
    Output &out = context.out();
    cardwork::ReaderSession &reader = context.reader();

    // Type A first: a card that answered but is no processor card leaves Type B
    // its turn.
    cardwork::Activation activation;
    std::int32_t refusal_a = 0;
    if (type != "B") {
        activation = cardwork::activate_type_a(reader);
        refusal_a = activation.refusal;
    }
    if (!activation.card && type != "A") activation = cardwork::activate_type_b(reader);
    if (!activation.card) {
        // A Type A card that answered says more than the silence of Type B.
        const bool a_answered = refusal_a == cardwork::kNotIso14443_4;
        throw cardwork::CardError::call(a_answered || type == "A" ? "rf_typea_rst" : "rf_atqb",
                                        a_answered ? refusal_a : cardwork::kNoCard,
                                        "no ISO 14443-4 card in the field");
    }
    const cardwork::ProcessorCard &card = *activation.card;
    describe(out, card);

    bool all_done = true;
    Json exchanges = Json::array();
    for (const cardkit::Bytes &command : commands) {
        const cardkit::Bytes answer = cardwork::exchange_apdu(reader, card, command);
        const std::size_t length = answer.size();
        out.text("> " + cardkit::to_hex(command, ' '));
        Json exchange = {{"command", cardkit::to_hex(command)},
                         {"response", cardkit::to_hex(answer)}};
        if (length < 2) {
            all_done = false;
            out.text("< " + cardkit::to_hex(answer, ' ') + " (no status word)");
        } else {
            const ByteView data = ByteView(answer).first(length - 2);
            const ByteView status = ByteView(answer).last(2);
            const std::string meaning = status_word_meaning(status[0], status[1]);
            all_done = all_done && (status[0] == 0x90 || status[0] == 0x61);
            out.text("< " + cardkit::to_hex(data, ' ') + (length > 2 ? "  " : "") +
                     cardkit::to_hex(status, ' ') + ": " + meaning);
            exchange["data"] = cardkit::to_hex(data);
            exchange["sw"] = cardkit::to_hex(status);
            exchange["meaning"] = meaning;
        }
        exchanges.push_back(std::move(exchange));
    }
    out.data()["exchanges"] = std::move(exchanges);
    cardwork::release(reader, card);
    return all_done ? kExitDone : kExitIncomplete;
}

}  // namespace rfcard
