// info and scan: the reader itself, and what answers in its field.

#include <cstring>

#include "cardwork/field_scan.h"
#include "commands.h"

namespace rfcard {

namespace {

using cardkit::ByteView;

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

// The protocol's name and the card's fields in the order shown: name, value.
std::string protocol_name(cardwork::FieldProtocol protocol) {
    switch (protocol) {
        case cardwork::FieldProtocol::TypeA:
            return "ISO 14443 Type A";
        case cardwork::FieldProtocol::TypeB:
            return "ISO 14443 Type B";
        case cardwork::FieldProtocol::At88rf020:
            return "AT88RF020";
        case cardwork::FieldProtocol::Iso15693:
            return "ISO 15693";
        case cardwork::FieldProtocol::ShortRange:
            break;
    }
    return "SR176/SRIX4K";
}

std::vector<std::pair<std::string, std::string>> fields_of(const cardwork::FieldCard &card) {
    std::vector<std::pair<std::string, std::string>> fields;
    if (card.chip_id) fields.emplace_back("chip_id", hex(*card.chip_id));
    if (!card.uid.empty()) fields.emplace_back("uid", hex(card.uid));
    if (card.atqa) fields.emplace_back("atqa", hex(*card.atqa));
    if (card.sak) fields.emplace_back("sak", hex(*card.sak));
    if (!card.pupi.empty()) fields.emplace_back("pupi", hex(card.pupi));
    if (card.dsfid) fields.emplace_back("dsfid", hex(*card.dsfid));
    if (!card.kind.empty()) fields.emplace_back("kind", card.kind);
    return fields;
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
    const cardwork::FieldScan scan = cardwork::scan_field(context.reader());
    {
        Findings findings(context.out());
        for (const cardwork::FieldCard &card : scan.cards)
            findings.add(protocol_name(card.protocol), fields_of(card));
    }
    if (scan.stopped) throw *scan.stopped;
    if (scan.cards.empty()) context.out().text("no card answered");
    return kExitDone;
}

}  // namespace rfcard
