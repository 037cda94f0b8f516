// mf dump, mf restore and mf value: the Mifare Classic commands that talk to a
// card, with the keys it is opened with and remembers.

#include <iostream>

#include "cardkit/key_dictionary.h"
#include "cardwork/key_memory.h"
#include "cardwork/mifare_dump.h"
#include "cardwork/mifare_restore.h"
#include "cardwork/mifare_values.h"
#include "cardwork/sector_keys.h"
#include "dump_files.h"
#include "mifare_common.h"
#include "progress_bar.h"

namespace rfcard {

namespace {

using cardkit::MifareKey;
using cardwork::KeyCandidates;
using cardwork::KeyMemory;
using cardwork::MifareCard;
using cardwork::TypeACard;

std::string hex(cardkit::ByteView bytes) { return cardkit::to_hex(bytes); }
std::string hex(std::uint8_t byte) { return cardkit::to_hex(cardkit::ByteView(&byte, 1)); }

}  // namespace

KeyCandidates key_candidates(const KeyOptions &options, std::vector<MifareKey> also) {
    std::vector<MifareKey> given;
    for (const std::string &text : options.keys) {
        const auto bytes = cardkit::parse_hex(text);
        if (!bytes || bytes->size() != 6) {
            throw ToolError(kExitUsage, "--key " + text + " is not a key of 12 hex digits");
        }
        given.push_back(
            {(*bytes)[0], (*bytes)[1], (*bytes)[2], (*bytes)[3], (*bytes)[4], (*bytes)[5]});
    }
    given.insert(given.end(), also.begin(), also.end());
    std::vector<MifareKey> listed = load_key_files(options.key_files);
    const auto defaults = cardkit::default_keys();
    listed.insert(listed.end(), defaults.begin(), defaults.end());
    return KeyCandidates(std::move(given), std::move(listed));
}

std::vector<MifareKey> keys_of_dump(const cardkit::CardDump &dump) {
    std::vector<MifareKey> keys;
    for (int sector = 0; sector < dump.sector_count(); ++sector) {
        for (const auto type : {cardkit::KeyType::A, cardkit::KeyType::B}) {
            if (const auto key = dump.key(sector, type)) keys.push_back(*key);
        }
    }
    return keys;
}

namespace {

// The card in the field, its size and the keys remembered for it.
struct OpenedCard {
    TypeACard card;
    cardkit::MifareType type;
};

OpenedCard open_card(CommandContext &context, KeyCandidates &keys, const KeyMemory &memory) {
    cardwork::ReaderSession &reader = context.reader();
    reader.power_field(protocol::kProtocolTypeA);
    // Other Type A cards in the field are passed over.
    TypeACard card = cardwork::require_type_a(
        reader,
        [](const TypeACard &candidate) {
            return candidate.sak && cardkit::mifare_type_from_sak(*candidate.sak);
        },
        [](const TypeACard &other) {
            return "the card " + hex(other.uid) + " in the field is no Mifare Classic card (" +
                   (other.sak ? "SAK " + hex(*other.sak) : std::string("a 7-byte UID")) + ")";
        });
    const cardkit::MifareType type = *cardkit::mifare_type_from_sak(*card.sak);
    std::string warning;
    keys.add_known(memory.recall(card.uid, type, warning));
    if (!warning.empty()) context.out().warn(warning);
    Json &identity = context.out().data()["card"];
    identity = {{"uid", hex(card.uid)},
                {"atqa", hex(card.atqa)},
                {"sak", hex(*card.sak)},
                {"type", "Mifare Classic " + std::string(cardkit::mifare_type_name(type))}};
    context.out().text("card " + hex(card.uid) + ": Mifare Classic " +
                       std::string(cardkit::mifare_type_name(type)) + ", ATQA " + hex(card.atqa) +
                       ", SAK " + hex(*card.sak));
    return {std::move(card), type};
}

void remember(CommandContext &context, const KeyMemory &memory, const cardkit::CardDump &keys) {
    std::string warning;
    if (!memory.remember(keys, warning)) context.out().warn(warning);
}

// Runs `work`, and remembers the keys known so far whatever its end: a card that
// leaves the field half way keeps what was found, and new trailers their keys.
template <typename Work>
void remembering(CommandContext &context, const KeyMemory &memory, const cardkit::CardDump &keys,
                 Work work) {
    try {
        work();
    } catch (...) {
        remember(context, memory, keys);
        throw;
    }
    remember(context, memory, keys);
}

// Card work's outcome: the keys it found are remembered, then what stopped it
// ends the command.
template <typename Outcome>
const auto &finished(CommandContext &context, const KeyMemory &memory,
                     const cardkit::CardDump &keys, const Outcome &outcome) {
    remember(context, memory, keys);
    if (outcome.stopped) throw *outcome.stopped;
    return outcome.report;
}

std::string key_text(const std::optional<MifareKey> &key) { return key ? hex(*key) : "-"; }
Json key_json(const std::optional<MifareKey> &key) { return key ? Json(hex(*key)) : Json(); }

}  // namespace

int run_mifare_dump(CommandContext &context, const KeyOptions &key_options,
                    const DumpOptions &options) {
    Output &out = context.out();
    const cardkit::DumpFormat format =
        output_format(options.format, options.output, cardkit::CardFamily::MifareClassic,
                      cardkit::DumpFormat::Mct);
    if (options.output.empty() || options.output == "-") out.keep_stdout_for_data();
    KeyCandidates keys = key_candidates(key_options);
    const KeyMemory memory(KeyMemory::default_directory());
    const OpenedCard opened = open_card(context, keys, memory);

    MifareCard card(context.reader(), opened.card);
    const cardwork::MifareDumpOutcome outcome = [&] {
        ProgressBar progress;
        return cardwork::dump_mifare_card(card, opened.type, keys, progress.callback());
    }();
    const cardwork::MifareDumpReport &report =
        finished(context, memory, outcome.report.dump, outcome);

    int unknown_blocks = 0;
    Json sectors = Json::array();
    for (const cardwork::SectorReport &sector : report.sectors) {
        unknown_blocks += sector.blocks - sector.blocks_read;
        char line[160];
        std::snprintf(line, sizeof line, "sector %2d: key A %-12s  key B %-12s  %2d of %2d blocks",
                      sector.sector, key_text(sector.key_a).c_str(),
                      sector.key_b_readable ? "(data)" : key_text(sector.key_b).c_str(),
                      sector.blocks_read, sector.blocks);
        out.text(line);
        sectors.push_back({{"sector", sector.sector},
                           {"key_a", key_json(sector.key_a)},
                           {"key_b", key_json(sector.key_b)},
                           {"key_b_readable", sector.key_b_readable},
                           {"blocks", sector.blocks},
                           {"blocks_read", sector.blocks_read}});
    }
    out.data()["sectors"] = std::move(sectors);
    out.data()["keys_tried"] = card.keys_tried();
    out.data()["exchanges"] = context.reader().exchanges();
    out.text(std::to_string(card.keys_tried()) + " keys tried, " +
             std::to_string(context.reader().exchanges()) + " exchanges; " +
             (unknown_blocks == 0 ? std::string("every block read")
                                  : std::to_string(unknown_blocks) + " blocks unknown"));
    save_dump(out, report.dump, options.output, format);
    if (out.data().contains("file")) {
        out.text("written to " + options.output + " (" + std::string(cardkit::format_name(format)) +
                 ")");
    }
    return unknown_blocks == 0 ? kExitDone : kExitIncomplete;
}

namespace {

std::string sector_list(const std::vector<int> &sectors) {
    std::string text;
    for (const int sector : sectors) text += (text.empty() ? "" : ", ") + std::to_string(sector);
    return text;
}

}  // namespace

// Block 0 and trailers are written only once the operator has typed "yes".
void confirm_privileged_writes(const cardwork::PrivilegedWrites &writes, const std::string &whose) {
    std::string what;
    if (writes.block0) what = "block 0";
    if (!writes.trailer_sectors.empty()) {
        what += (what.empty() ? "" : " and ") +
                std::string("the trailers (keys and access bits) ") + "of sectors " +
                sector_list(writes.trailer_sectors);
    }
    confirm_irreversible(what + " of " + whose, "A wrong trailer locks its sector for good.");
}

void confirm_irreversible(const std::string &what, const std::string &why) {
    std::cerr << "rfcard: about to write " << what << ". " << why
              << "\nType yes to go on: " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer) || answer != "yes") {
        throw ToolError(kExitDeclined, "not confirmed; nothing was written");
    }
}

namespace {

Json notes_json(const std::vector<cardwork::BlockNote> &notes) {
    Json list = Json::array();
    for (const cardwork::BlockNote &note : notes)
        list.push_back({{"block", note.block}, {"note", note.note}});
    return list;
}

}  // namespace

int run_mifare_restore(CommandContext &context, const KeyOptions &key_options,
                       const RestoreCommand &command) {
    Output &out = context.out();
    const cardkit::CardDump dump = load_dump(command.file);
    if (dump.family() != cardkit::CardFamily::MifareClassic) {
        throw ToolError(kExitBadInput, command.file + " holds a " + dump.description() +
                                           ", not a Mifare Classic card");
    }
    // The dump's own keys are likely the card's.
    KeyCandidates keys = key_candidates(key_options, keys_of_dump(dump));
    const KeyMemory memory(KeyMemory::default_directory());
    const OpenedCard opened = open_card(context, keys, memory);
    const cardwork::RestoreOptions options{command.include_block0, command.include_trailers,
                                           command.verify};
    const cardwork::PrivilegedWrites writes =
        cardwork::check_restorable(dump, opened.type, options);
    if ((writes.block0 || !writes.trailer_sectors.empty()) && !command.yes) {
        confirm_privileged_writes(writes, "card " + hex(opened.card.uid));
    }

    MifareCard card(context.reader(), opened.card);
    const cardwork::RestoreOutcome outcome = [&] {
        ProgressBar progress;
        return cardwork::restore_mifare_card(card, opened.type, dump, keys, options,
                                             progress.callback());
    }();
    const cardwork::RestoreReport &report = finished(context, memory, outcome.report.keys, outcome);

    out.text(std::to_string(report.written.size()) + " blocks written");
    for (const cardwork::BlockNote &note : report.skipped)
        out.text("block " + std::to_string(note.block) + ": " + note.note);
    if (command.verify) {
        out.text(std::to_string(report.verified) + " blocks read back, " +
                 std::to_string(report.differences.size()) + " differ");
        for (const cardwork::BlockNote &note : report.differences)
            out.text("block " + std::to_string(note.block) + ": " + note.note);
    }
    out.data()["written"] = report.written;
    out.data()["skipped"] = notes_json(report.skipped);
    if (command.verify) {
        out.data()["verified"] = report.verified;
        out.data()["differences"] = notes_json(report.differences);
    }
    out.data()["exchanges"] = context.reader().exchanges();
    return report.skipped.empty() && report.differences.empty() ? kExitDone : kExitIncomplete;
}

int run_mifare_value(CommandContext &context, const KeyOptions &key_options,
                     const ValueCommand &command) {
    if (command.block == 0 || cardkit::is_trailer(command.block)) {
        throw ToolError(kExitUsage, "block " + std::to_string(command.block) +
                                        (command.block == 0 ? " is the manufacturer block"
                                                            : " is a sector trailer") +
                                        ", never a value block");
    }
    Output &out = context.out();
    KeyCandidates keys = key_candidates(key_options);
    const KeyMemory memory(KeyMemory::default_directory());
    const OpenedCard opened = open_card(context, keys, memory);
    if (command.block >= cardkit::block_count(opened.type)) {
        throw ToolError(kExitUsage, "a Mifare Classic " +
                                        std::string(cardkit::mifare_type_name(opened.type)) +
                                        " has no block " + std::to_string(command.block));
    }
    const int sector = cardkit::sector_of_block(command.block);
    MifareCard card(context.reader(), opened.card);
    cardkit::CardDump found = cardkit::CardDump::mifare_classic(opened.type);
    found.set_identity({opened.card.uid});
    std::optional<cardwork::ValueChange> change;

    remembering(context, memory, found, [&] {
        cardwork::SectorKeys sector_keys(card, sector, keys, found);
        change = cardwork::change_value(card, sector_keys, command.operation, command.block,
                                        static_cast<std::int32_t>(command.value));
    });
    const std::optional<cardkit::ValueBlock> &before = change->before;
    const cardkit::ValueBlock &after = change->after;

    out.data()["block"] = command.block;
    out.data()["operation"] = std::string(cardwork::value_operation_name(command.operation));
    if (before) out.data()["value_before"] = before->value;
    out.data()["value"] = after.value;
    out.data()["address"] = after.address;
    out.text("block " + std::to_string(command.block) + ": " +
             (before ? std::to_string(before->value) + " -> " : std::string()) +
             std::to_string(after.value) + " (address byte " + hex(after.address) + ")");
    return kExitDone;
}

}  // namespace rfcard
