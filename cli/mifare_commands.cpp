// mf dump, mf restore and mf value: the Mifare Classic commands that talk to a
// card, with the keys it is opened with and remembers. A dump cut short still
// writes what it read; a restore cut short says which blocks it wrote and logs
// them, so that --resume writes the rest.

#include <algorithm>
#include <iostream>
#include <set>

#include "cardkit/key_dictionary.h"
#include "cardwork/key_memory.h"
#include "cardwork/mifare_dump.h"
#include "cardwork/mifare_restore.h"
#include "cardwork/mifare_values.h"
#include "cardwork/sector_keys.h"
#include "dump_files.h"
#include "key_options.h"
#include "mifare_common.h"
#include "partial_work.h"
#include "progress_bar.h"
#include "restore_log.h"
#include "whole_files.h"

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

// `size`, when given, is the card's whatever its SAK says.
OpenedCard open_card(CommandContext &context, KeyCandidates &keys, const KeyMemory &memory,
                     std::optional<cardkit::MifareType> size = std::nullopt) {
    cardwork::ReaderSession &reader = context.reader();
    reader.power_field(protocol::kProtocolTypeA);
    // Other Type A cards in the field are passed over.
    TypeACard card = cardwork::require_type_a(
        reader,
        [size](const TypeACard &candidate) {
            return candidate.sak && (size || cardkit::mifare_type_from_sak(*candidate.sak));
        },
        [](const TypeACard &other) {
            return "the card " + hex(other.uid) + " in the field is no Mifare Classic card (" +
                   (other.sak ? "SAK " + hex(*other.sak) : std::string("a 7-byte UID")) + ")";
        });
    const auto by_sak = cardkit::mifare_type_from_sak(*card.sak);
    const cardkit::MifareType type = size ? *size : *by_sak;
    if (size && by_sak != size) {
        const std::string name(cardkit::mifare_type_name(type));
        context.out().warn("the card's SAK " + hex(*card.sak) + " names " +
                           (by_sak ? "a " + std::string(cardkit::mifare_type_name(*by_sak))
                                   : std::string("no Mifare Classic size")) +
                           "; worked as a " + name +
                           ", and a file that keeps the SAK reads "
                           "back as a " +
                           name + " with --size " + name);
    }
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
    std::string warning, note;
    if (!memory.remember(keys, warning, note)) context.out().warn(warning);
    if (!note.empty()) context.out().warn(note);
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

std::string key_text(const std::optional<MifareKey> &key) { return key ? hex(*key) : "-"; }
Json key_json(const std::optional<MifareKey> &key) { return key ? Json(hex(*key)) : Json(); }

}  // namespace

int run_mifare_dump(CommandContext &context, const KeyOptions &key_options,
                    const DumpOptions &options) {
    Output &out = context.out();
    const CardSize size = parse_card_size(options.size);
    if (size.ultralight) {
        throw ToolError(kExitUsage, "--size " + options.size +
                                        " is an Ultralight type; a Mifare Classic card is mini, "
                                        "1k, 2k or 4k");
    }
    check_writable(options.output);
    const cardkit::DumpFormat format =
        output_format(options.format, options.output, cardkit::CardFamily::MifareClassic,
                      cardkit::DumpFormat::Mct);
    if (options.output.empty() || options.output == "-") out.keep_stdout_for_data();
    KeyCandidates keys = key_candidates(out, key_options);
    const KeyMemory memory(KeyMemory::default_directory());
    const OpenedCard opened = open_card(context, keys, memory, size.mifare);

    MifareCard card(context.reader(), opened.card);
    const cardwork::MifareDumpOutcome outcome = [&] {
        ProgressBar progress;
        return cardwork::dump_mifare_card(card, opened.type, keys, progress.callback());
    }();
    const cardwork::MifareDumpReport &report = outcome.report;
    remember(context, memory, report.dump);
    if (outcome.stopped) out.stopped(*outcome.stopped);

    Json sectors = Json::array();
    for (const cardwork::SectorReport &sector : report.sectors) {
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
    const std::size_t unknown_blocks = unread_blocks(report.dump).size();
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
    return dump_status(out, report.dump, outcome.stopped);
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

// The blocks a restore of `dump` with `options` sets out to write.
std::vector<int> planned_blocks(const cardkit::CardDump &dump,
                                const cardwork::RestoreOptions &options) {
    std::vector<int> blocks;
    for (int block = 0; block < dump.block_count(); ++block) {
        if (!dump.block_known(block)) continue;
        if (block == 0 && !options.include_block0) continue;
        if (cardkit::is_trailer(block) && !options.include_trailers) continue;
        blocks.push_back(block);
    }
    return blocks;
}

std::vector<int> without(std::vector<int> blocks, const std::vector<int> &taken_out) {
    const std::set<int> out(taken_out.begin(), taken_out.end());
    std::erase_if(blocks, [&](int block) { return out.contains(block); });
    return blocks;
}

std::string blocks_text(const std::vector<int> &blocks) {
    return blocks.empty() ? std::string("none") : cardkit::number_ranges(blocks);
}

// What a restore did, as text and in the JSON result; after a stop the blocks
// written, the one in doubt and those not written.
void show_restore(Output &out, const RestoreCommand &command,
                  const cardwork::RestoreOutcome &outcome, const std::vector<int> &written_before,
                  const std::vector<int> &not_written) {
    const cardwork::RestoreReport &report = outcome.report;
    out.text(std::to_string(report.written.size()) + " blocks written" +
             (command.resume.empty() ? std::string()
                                     : ", " + std::to_string(written_before.size()) + " before (" +
                                           command.resume + ")"));
    for (const cardwork::BlockNote &note : report.skipped)
        out.text("block " + std::to_string(note.block) + ": " + note.note);
    if (command.verify) {
        out.text(std::to_string(report.verified) + " blocks read back, " +
                 std::to_string(report.differences.size()) + " differ");
        for (const cardwork::BlockNote &note : report.differences)
            out.text("block " + std::to_string(note.block) + ": " + note.note);
    }
    if (outcome.stopped) {
        std::vector<int> written = report.written;
        std::sort(written.begin(), written.end());
        out.text("written: " + blocks_text(written));
        std::vector<int> in_doubt;
        if (report.in_doubt) {
            in_doubt.push_back(*report.in_doubt);
            out.text("in doubt: block " + std::to_string(*report.in_doubt) +
                     " (the line failed during its write: it holds the old bytes or the dump's)");
        }
        out.text("not written: " + blocks_text(without(not_written, in_doubt)));
    }
    out.data()["written"] = report.written;
    if (!command.resume.empty()) out.data()["written_before"] = written_before;
    out.data()["not_written"] = not_written;
    out.data()["in_doubt"] = report.in_doubt ? Json(*report.in_doubt) : Json();
    out.data()["skipped"] = notes_json(report.skipped);
    if (command.verify) {
        out.data()["verified"] = report.verified;
        out.data()["differences"] = notes_json(report.differences);
    }
}

// Writes the log; a log that cannot be written is a warning, since the report
// above names the same blocks.
void log_restore(Output &out, const std::string &path, const RestoreLog &log) {
    try {
        write_restore_log(path, log);
    } catch (const ToolError &error) {
        out.warn(error.what());
        return;
    }
    out.data()["log"] = path;
    if (!log.not_written.empty()) {
        std::cerr << "rfcard: the blocks written are logged in " << path << "; rfcard mf restore "
                  << log.dump << " --resume " << path << " writes the rest\n";
    }
}

}  // namespace

int run_mifare_restore(CommandContext &context, const KeyOptions &key_options,
                       const RestoreCommand &command) {
    Output &out = context.out();
    const std::string content = read_input_file(command.file);
    const cardkit::CardDump dump = import_file(content, command.file, command.input);
    const std::string dump_name = command.file == "-" ? "standard input" : command.file;
    if (dump.family() != cardkit::CardFamily::MifareClassic) {
        throw ToolError(kExitBadInput, dump_name + " holds a " + dump.description() +
                                           ", not a Mifare Classic card");
    }
    if (command.file == "-" && !command.yes &&
        (command.include_block0 || command.include_trailers)) {
        throw ToolError(kExitUsage,
                        "the dump comes from standard input, which cannot answer the question "
                        "before block 0 or trailers are written: add --yes");
    }
    // A log asked for must be writable before the card is touched.
    check_writable(command.log.empty() ? command.resume : command.log);
    const std::string digest = content_digest(content);
    std::optional<RestoreLog> resumed;
    if (!command.resume.empty()) {
        resumed = read_restore_log(command.resume);
        if (resumed->dump_digest != digest) {
            throw ToolError(kExitBadInput, command.resume + " logs a restore of another dump (" +
                                               resumed->dump + ") than " + dump_name);
        }
    }
    // The dump's own keys are likely the card's.
    const std::vector<MifareKey> dump_keys = keys_of_dump(dump);
    // A resumed restore leaves out what the card confirmed before.
    cardkit::CardDump to_write = dump;
    const std::vector<int> written_before = resumed ? resumed->written : std::vector<int>{};
    for (const int block : written_before) {
        if (block < to_write.block_count()) to_write.forget_block(block);
    }

    KeyCandidates keys = key_candidates(out, key_options, dump_keys);
    const KeyMemory memory(KeyMemory::default_directory());
    const OpenedCard opened = open_card(context, keys, memory);
    const std::string uid = hex(opened.card.uid);
    if (resumed && resumed->uid != uid) {
        throw ToolError(kExitBadInput, command.resume + " logs a restore onto the card " +
                                           resumed->uid + "; the card in the field is " + uid);
    }
    const cardwork::RestoreOptions options{command.include_block0, command.include_trailers,
                                           command.verify};
    const cardwork::PrivilegedWrites writes =
        cardwork::check_restorable(to_write, opened.type, options);
    if ((writes.block0 || !writes.trailer_sectors.empty()) && !command.yes) {
        confirm_privileged_writes(writes, "card " + uid);
    }

    MifareCard card(context.reader(), opened.card);
    const cardwork::RestoreOutcome outcome = [&] {
        ProgressBar progress;
        return cardwork::restore_mifare_card(card, opened.type, to_write, keys, options,
                                             progress.callback());
    }();
    const cardwork::RestoreReport &report = outcome.report;
    remember(context, memory, report.keys);
    if (outcome.stopped) out.stopped(*outcome.stopped);

    const std::vector<int> not_written = without(planned_blocks(to_write, options), report.written);
    show_restore(out, command, outcome, written_before, not_written);
    out.data()["exchanges"] = context.reader().exchanges();

    // The log: always where one was asked for or resumed, and after any stop.
    std::string log_path = !command.log.empty() ? command.log : command.resume;
    if (log_path.empty() && outcome.stopped) log_path = default_restore_log(command.file, uid);
    if (!log_path.empty()) {
        std::vector<int> written = written_before;
        written.insert(written.end(), report.written.begin(), report.written.end());
        std::sort(written.begin(), written.end());
        written.erase(std::unique(written.begin(), written.end()), written.end());
        log_restore(out, log_path,
                    {command.file, digest, uid, written, not_written, report.in_doubt,
                     !outcome.stopped && not_written.empty()});
    }
    if (outcome.stopped) return stopped_status(*outcome.stopped);
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
    KeyCandidates keys = key_candidates(out, key_options);
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
