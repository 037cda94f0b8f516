// ul dump, srix dump, sr176 dump and 15693 dump: the cards without keys, read
// whole by card work and written where the options say. A read cut short (the
// card or reader gone, Ctrl-C) still writes what it read, the rest unknown.

#include "cardwork/memory_cards.h"
#include "commands.h"
#include "dump_files.h"
#include "partial_work.h"
#include "progress_bar.h"
#include "whole_files.h"

namespace rfcard {

namespace {

using cardkit::ByteView;
using cardkit::CardDump;
using ReadCard = std::function<cardwork::MemoryCardRead(cardwork::ReaderSession &,
                                                        const cardwork::ProgressCallback &)>;

// What the card is, once it told its UID, and in JSON `details` besides.
void describe_card(CommandContext &context, const std::string &kind, const CardDump &dump,
                   Json details) {
    const cardkit::Bytes &uid = dump.identity().uid;
    if (uid.empty()) return;
    details["type"] = kind;
    details["uid"] = cardkit::to_hex(uid);
    context.out().data()["card"] = std::move(details);
    context.out().text(kind + " " + cardkit::to_hex(uid));
}

Json chip_id_json(const cardwork::MemoryCardRead &read) {
    if (!read.chip_id) return Json::object();
    return {{"chip_id", cardkit::to_hex(ByteView(&*read.chip_id, 1))}};
}

// Whether a read that stopped got anything worth a file: the card's UID or a block.
bool read_anything(const std::optional<CardDump> &dump) {
    if (!dump) return false;
    if (!dump->identity().uid.empty()) return true;
    for (int block = 0; block < dump->block_count(); ++block) {
        if (!dump->block_unknown(block)) return true;
    }
    return false;
}

// Reads the card with `read_card`, tells what it is, then writes the dump where
// the options say and reports it; the format and the file were checked before
// the card was read.
int dump_card(CommandContext &context, const DumpOptions &options, cardkit::CardFamily family,
              const ReadCard &read_card,
              const std::function<Json(const cardwork::MemoryCardRead &)> &details) {
    check_writable(options.output);
    const auto format =
        output_format(options.format, options.output, family, cardkit::DumpFormat::Json);
    Output &out = context.out();
    if (options.output.empty() || options.output == "-") out.keep_stdout_for_data();
    cardwork::ReaderSession &reader = context.reader();
    const cardwork::MemoryCardRead read = [&] {
        ProgressBar progress;
        return read_card(reader, progress.callback());
    }();
    if (read.stopped && !read_anything(read.dump)) throw *read.stopped;
    if (read.dump) {
        describe_card(context, std::string(cardkit::family_name(family)), *read.dump,
                      details(read));
    }
    for (const std::string &warning : read.warnings) out.warn(warning);
    if (read.stopped) out.stopped(*read.stopped);

    const CardDump &dump = *read.dump;
    const int blocks_read = dump.block_count() - static_cast<int>(unread_blocks(dump).size());
    out.data()["blocks"] = dump.block_count();
    out.data()["blocks_read"] = blocks_read;
    out.data()["exchanges"] = reader.exchanges();
    out.text(std::to_string(blocks_read) + " of " + std::to_string(dump.block_count()) +
             " blocks read, " + std::to_string(reader.exchanges()) + " exchanges");
    save_dump(out, dump, options.output, format);
    if (out.data().contains("file")) {
        out.text("written to " + options.output + " (" + std::string(cardkit::format_name(format)) +
                 ")");
    }
    return dump_status(out, dump, read.stopped);
}

}  // namespace

int run_ultralight_dump(CommandContext &context, const DumpOptions &options) {
    const CardSize size = parse_card_size(options.size);
    if (size.mifare) {
        throw ToolError(kExitUsage, "--size " + options.size +
                                        " is a Mifare Classic size; an "
                                        "Ultralight takes its type "
                                        "(ultralight, ulc, ntag215, ...)");
    }
    const auto type = size.ultralight.value_or(cardkit::UltralightType::Ultralight);
    return dump_card(
        context, options, cardkit::CardFamily::Ultralight,
        [type](cardwork::ReaderSession &reader, const cardwork::ProgressCallback &progress) {
            return cardwork::read_ultralight(reader, progress, type);
        },
        [](const cardwork::MemoryCardRead &read) {
            const auto &atqa = read.dump->identity().atqa;
            return atqa ? Json{{"atqa", cardkit::to_hex(*atqa)}} : Json::object();
        });
}

int run_srix4k_dump(CommandContext &context, const DumpOptions &options) {
    return dump_card(
        context, options, cardkit::CardFamily::Srix4k,
        [](cardwork::ReaderSession &reader, const cardwork::ProgressCallback &progress) {
            return cardwork::read_srix4k(reader, progress);
        },
        chip_id_json);
}

int run_sr176_dump(CommandContext &context, const DumpOptions &options) {
    return dump_card(
        context, options, cardkit::CardFamily::Sr176,
        [](cardwork::ReaderSession &reader, const cardwork::ProgressCallback &progress) {
            return cardwork::read_sr176(reader, progress);
        },
        chip_id_json);
}

int run_iso15693_dump(CommandContext &context, const DumpOptions &options) {
    return dump_card(
        context, options, cardkit::CardFamily::Iso15693,
        [](cardwork::ReaderSession &reader, const cardwork::ProgressCallback &progress) {
            return cardwork::read_iso15693(reader, progress);
        },
        [](const cardwork::MemoryCardRead &read) {
            return Json{{"blocks", read.dump->block_count()},
                        {"block_size", read.dump->block_size()}};
        });
}

}  // namespace rfcard
