// info and scan: the reader itself, and what answers in its field.

#include <cstring>

#include "cardkit/mifare_layout.h"
#include "cardwork/type_a.h"
#include "commands.h"
#include "protocol/frame.h"

namespace rfcard {

namespace {

using cardkit::ByteView;
using cardwork::TypeACard;

// A field holds a few cards; the loops end there whatever the reader says.
constexpr int kMostCardsOfAKind = 16;

std::string hex(ByteView bytes) { return cardkit::to_hex(bytes); }
std::string hex(std::uint8_t byte) { return cardkit::to_hex(ByteView(&byte, 1)); }

class Findings {
public:
    explicit Findings(Output &out) : out_(out) {}
    ~Findings() { out_.data()["cards"] = std::move(cards_); }

    // `fields` in the order shown: name, value.
    void add(const std::string &protocol,
             const std::vector<std::pair<std::string, std::string>> &fields) {
        Json card = {{"protocol", protocol}};
        std::string line = protocol;
        line.resize(std::max<std::size_t>(line.size() + 1, 18), ' ');
        for (const auto &[name, value] : fields) {
            card[name] = value;
            line += (name == "kind" ? "" : name_shown(name) + " ") + value + "  ";
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out_.text(line);
        cards_.push_back(std::move(card));
    }
    bool empty() const { return cards_.empty(); }

private:
    static std::string name_shown(const std::string &name) {
        if (name == "chip_id") return "chip ID";
        std::string shown = name;
        for (char &c : shown) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return shown;
    }
    Output &out_;
    Json cards_ = Json::array();
};

std::string type_a_kind(const TypeACard &card) {
    if (!card.sak) return card.atqa[0] == 0x44 ? "Ultralight" : "7-byte UID";
    if (*card.sak & 0x20) return "ISO 14443-4";
    if (const auto type = cardkit::mifare_type_from_sak(*card.sak))
        return "Mifare Classic " + std::string(cardkit::mifare_type_name(*type));
    return "unknown kind";
}

void scan_type_a(cardwork::ReaderSession &reader, Findings &findings) {
    reader.power_field(protocol::kProtocolTypeA);
    const cardwork::TypeAWalk walk =
        cardwork::find_type_a(reader, [&](const TypeACard &card) {
            std::vector<std::pair<std::string, std::string>> fields = {{"uid", hex(card.uid)},
                                                                       {"atqa", hex(card.atqa)}};
            if (card.sak) fields.emplace_back("sak", hex(*card.sak));
            fields.emplace_back("kind", type_a_kind(card));
            findings.add("ISO 14443 Type A", fields);
            return false;
        });
    if (walk.mixed_uid_sizes) {
        findings.add("ISO 14443 Type A", {{"kind", "cards with 4- and 7-byte UIDs together"}});
    }
}

void scan_type_b(cardwork::ReaderSession &reader, Findings &findings, char card_protocol,
                 const std::string &name) {
    reader.power_field(card_protocol);
    std::uint8_t atqb[protocol::kAnswerRoom] = {};
    std::uint8_t length = 0;
    const std::int32_t result = CARDWORK_TRY(reader, rf_atqb, 1, atqb, &length);
    if (result == cardwork::kNoCard) return;
    if (result == cardwork::kCollision) {
        findings.add(name, {{"kind", "several cards answered at once"}});
        return;
    }
    if (result != 0) throw cardwork::CardError::call("rf_atqb", result);
    findings.add(name, {{"pupi", hex(ByteView(atqb + 1, 4))}});
}

void scan_iso15693(cardwork::ReaderSession &reader, Findings &findings) {
    reader.power_field(protocol::kProtocolIso15693);
    // Each tag found is told to stay quiet, so the next inventory finds another.
    for (int found = 0; found < kMostCardsOfAKind; ++found) {
        std::uint8_t answer[protocol::kAnswerRoom] = {};
        std::uint8_t length = 0;
        const std::int32_t result = CARDWORK_TRY(reader, ISO15693_Inventory, answer, &length);
        if (result == cardwork::kNoCard) return;
        if (result == cardwork::kCollision) {
            findings.add("ISO 15693", {{"kind", "several tags in one slot"}});
            return;
        }
        if (result != 0) throw cardwork::CardError::call("ISO15693_Inventory", result);
        if (length != 9)
            throw cardwork::CardError::call("ISO15693_Inventory", 1,
                                            "an answer of " + std::to_string(length) + " bytes");
        const cardkit::Bytes uid(std::make_reverse_iterator(answer + 9),
                                 std::make_reverse_iterator(answer + 1));
        findings.add("ISO 15693", {{"uid", hex(uid)}, {"dsfid", hex(answer[0])}});
        CARDWORK_CALL(reader, ISO15693_Stay_Quiet, answer + 1);
    }
}

void scan_short_range(cardwork::ReaderSession &reader, Findings &findings) {
    reader.power_field(protocol::kProtocolShortRange);
    // Each card found is deactivated, so the next select finds another.
    for (int found = 0; found < kMostCardsOfAKind; ++found) {
        std::uint8_t chip_id = 0;
        const std::int32_t result = CARDWORK_TRY(reader, rf_st_select, &chip_id);
        if (result == cardwork::kNoCard) return;
        if (result == cardwork::kCollision) {
            findings.add("SR176/SRIX4K", {{"kind", "several cards answered at once"}});
            return;
        }
        if (result != 0) throw cardwork::CardError::call("rf_st_select", result);
        std::uint8_t uid[8] = {};
        std::uint8_t length = 0;
        if (CARDWORK_TRY(reader, rf_srix4k_getuid, uid, &length) == 0 && length == 8) {
            findings.add(
                "SR176/SRIX4K",
                {{"chip_id", hex(chip_id)}, {"uid", hex(ByteView(uid, 8))}, {"kind", "SRIX4K"}});
        } else {
            findings.add("SR176/SRIX4K", {{"chip_id", hex(chip_id)}, {"kind", "SR176"}});
        }
        CARDWORK_CALL(reader, rf_st_completion);
    }
}

}  // namespace

int run_info(CommandContext &context) {
    Output &out = context.out();
    ReaderLibrary &library = context.library();
    std::uint32_t library_version = 0;
    const std::int32_t version_result = library.api().lib_ver(&library_version);
    if (version_result != 0) throw cardwork::CardError::call("lib_ver", version_result);
    const auto transport_version = library.transport_version();

    cardwork::ReaderSession &reader = context.reader();
    std::uint8_t model[2] = {};
    std::uint8_t serial[8] = {};
    CARDWORK_CALL(reader, rf_get_model, model);
    CARDWORK_CALL(reader, rf_get_snr, serial);

    out.data()["reader"] = {{"model", hex(ByteView(model, 2))},
                            {"serial_number", hex(ByteView(serial, 8))},
                            {"port", context.options().port},
                            {"baud", context.options().baud}};
    out.data()["libraries"] = {
        {"libDrovik.so", {{"version", library_version}, {"path", library.path()}}},
        {"libSelmek.so", {{"version", transport_version ? Json(*transport_version) : Json()}}}};
    out.data()["rfcard"] = RFCARD_VERSION;
    out.text("reader model   " + hex(ByteView(model, 2)));
    out.text("serial number  " + hex(ByteView(serial, 8)));
    out.text("port           " + std::to_string(context.options().port) + " at " +
             std::to_string(context.options().baud) + " baud");
    out.text("libDrovik.so   version " + std::to_string(library_version) + " (" + library.path() +
             ")");
    out.text("libSelmek.so   version " +
             (transport_version ? std::to_string(*transport_version) : std::string("unknown")));
    out.text("rfcard         version " RFCARD_VERSION);
    return kExitDone;
}

int run_scan(CommandContext &context) {
    cardwork::ReaderSession &reader = context.reader();
    bool any = false;
    {
        Findings findings(context.out());
        scan_type_a(reader, findings);
        scan_type_b(reader, findings, protocol::kProtocolTypeB, "ISO 14443 Type B");
        scan_type_b(reader, findings, protocol::kProtocolAt88rf020, "AT88RF020");
        scan_iso15693(reader, findings);
        scan_short_range(reader, findings);
        any = !findings.empty();
    }
    if (!any) context.out().text("no card answered");
    return kExitDone;
}

}  // namespace rfcard
