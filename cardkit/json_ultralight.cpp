// Ultralight and NTAG as the Proxmark3 client's "mfu" layout: "Card" with
// "UID" (7 bytes), "Version" (GET_VERSION), "TBO_0", "TBO_1", "Signature",
// "Counter0" to "Counter2" (3 bytes, least significant first, as READ_CNT
// answers) and "Tearing0" to "Tearing2"; "blocks" the pages. The client keeps
// no ATQA, SAK or count of failed authentications; this program adds them to
// "Card" as "ATQA", "SAK" and "FailedAuthentications", which the client passes
// over.

#include <algorithm>

#include "json_layouts.h"

namespace cardkit::codec::json_layouts {

namespace {

constexpr int kHighestPage = 1023;

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> nonzero_member(const json &card, const char *name) {
    const auto bytes = json_doc::hex_member(card, name, "Card: ", N, N);
    if (!bytes ||
        std::all_of(bytes->begin(), bytes->end(), [](std::uint8_t b) { return b == 0; })) {
        return std::nullopt;
    }
    std::array<std::uint8_t, N> array{};
    std::copy(bytes->begin(), bytes->end(), array.begin());
    return array;
}

std::string numbered(const char *name, std::size_t i) { return name + std::to_string(i); }

}  // namespace

CardDump read_ultralight(const json &root, const ImportOptions &options) {
    const json &card = json_doc::object_member(root, "Card", "");
    const std::string where = "Card: ";
    UltralightInfo info;
    if (const auto version = json_doc::hex_member(card, "Version", where, 8, 8);
        version &&
        std::any_of(version->begin(), version->end(), [](std::uint8_t b) { return b; })) {
        info.version.emplace();
        std::copy(version->begin(), version->end(), info.version->begin());
    }
    info.signature = nonzero_member<32>(card, "Signature");
    info.tbo0 = nonzero_member<2>(card, "TBO_0");
    if (const auto tbo1 = json_doc::byte_member(card, "TBO_1", where); tbo1 && *tbo1 != 0) {
        info.tbo1 = tbo1;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (const auto counter = json_doc::hex_member(card, numbered("Counter", i), where, 3, 3)) {
            info.counters[i] = static_cast<std::uint32_t>((*counter)[0] | (*counter)[1] << 8 |
                                                          (*counter)[2] << 16);
        }
        info.tearing[i] = json_doc::byte_member(card, numbered("Tearing", i), where);
    }
    if (const auto failed = card.find("FailedAuthentications"); failed != card.end()) {
        if (!failed->is_number_unsigned() || failed->get<unsigned long long>() > 0xFFFFFFFFull) {
            throw FormatError(where + "\"FailedAuthentications\" is not a count");
        }
        if (failed->get<std::uint32_t>() != 0)
            info.failed_authentications = failed->get<std::uint32_t>();
    }
    CardIdentity identity;
    if (auto uid = json_doc::hex_member(card, "UID", where, 4, 10)) identity.uid = std::move(*uid);
    if (auto atqa = json_doc::hex_member(card, "ATQA", where, 2, 2)) {
        identity.atqa = std::array<std::uint8_t, 2>{(*atqa)[0], (*atqa)[1]};
    }
    identity.sak = json_doc::byte_member(card, "SAK", where);

    const auto pages = json_doc::read_blocks(json_doc::object_member(root, "blocks", ""),
                                             kHighestPage, kUltralightPageSize);
    UltralightSizeEvidence evidence;
    if (info.version) evidence.by_version = ultralight_type_from_version(*info.version);
    if (!pages.empty()) {
        evidence.highest_known = pages.rbegin()->first;
        evidence.highest_where = json_doc::block_where(pages.rbegin()->second);
    }
    CardDump dump = CardDump::ultralight(choose_ultralight_type(options, evidence));
    for (const auto &[number, page] : pages) dump.set_block(number, page.bytes);
    dump.set_ultralight_info(info);
    dump.set_identity(identity);
    return dump;
}

ordered_json write_ultralight(const CardDump &dump, std::vector<std::string> &warnings) {
    ordered_json root = document("mfu");
    const CardIdentity &identity = dump.identity();
    const UltralightInfo &info = dump.ultralight_info();
    ordered_json card = ordered_json::object();
    if (!identity.uid.empty()) put_hex(card, "UID", identity.uid);
    if (info.version) put_hex(card, "Version", *info.version);
    if (info.tbo0) put_hex(card, "TBO_0", *info.tbo0);
    put_byte(card, "TBO_1", info.tbo1);
    if (info.signature) put_hex(card, "Signature", *info.signature);
    for (std::size_t i = 0; i < 3; ++i) {
        if (info.counters[i]) {
            const std::uint32_t value = *info.counters[i];
            const std::array<std::uint8_t, 3> bytes = {static_cast<std::uint8_t>(value),
                                                       static_cast<std::uint8_t>(value >> 8),
                                                       static_cast<std::uint8_t>(value >> 16)};
            card[numbered("Counter", i)] = to_hex(bytes);
        }
        if (info.tearing[i]) card[numbered("Tearing", i)] = to_hex(ByteView(&*info.tearing[i], 1));
    }
    if (identity.atqa) put_hex(card, "ATQA", *identity.atqa);
    put_byte(card, "SAK", identity.sak);
    if (info.failed_authentications) card["FailedAuthentications"] = *info.failed_authentications;
    if (!card.empty()) root["Card"] = std::move(card);
    root["blocks"] = known_blocks(dump, warnings);

    // The type reads back from the version, or from the last page written.
    UltralightSizeEvidence evidence;
    if (info.version) evidence.by_version = ultralight_type_from_version(*info.version);
    for (int page = dump.block_count() - 1; page >= 0; --page) {
        if (!dump.block_unknown(page)) {
            evidence.highest_known = page;
            break;
        }
    }
    try {
        if (choose_ultralight_type({}, evidence) != *dump.ultralight_type()) throw FormatError("");
    } catch (const FormatError &) {
        warnings.push_back("the file does not show that the tag is a " + dump.description() +
                           ": no version names it and its pages do not fill it");
    }
    warn_details(dump,
                 {.ultralight_version = true,
                  .ultralight_tbo = true,
                  .failed_authentications = true,
                  .format = "json"},
                 warnings);
    return root;
}

}  // namespace cardkit::codec::json_layouts
