// ul dump, srix dump, sr176 dump and 15693 dump: the cards without keys, read
// whole by card work and written where the options say.

#include "cardwork/memory_cards.h"
#include "commands.h"
#include "dump_files.h"

namespace rfcard {

namespace {

using cardkit::ByteView;
using cardkit::CardDump;

cardkit::DumpFormat format_for(CommandContext &context, const DumpOptions &options,
                               cardkit::CardFamily family) {
    const auto format =
        output_format(options.format, options.output, family, cardkit::DumpFormat::Json);
    if (options.output.empty() || options.output == "-") context.out().keep_stdout_for_data();
    return format;
}

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

// Reads the card with `read_card`, tells what it is, then writes the dump where
// the options say and reports it; the format was checked before the card was read.
int dump_card(CommandContext &context, const DumpOptions &options, cardkit::CardFamily family,
              cardwork::MemoryCardRead (*read_card)(cardwork::ReaderSession &,
                                                    const cardwork::ProgressCallback &),
              const std::function<Json(const cardwork::MemoryCardRead &)> &details) {
    const auto format = format_for(context, options, family);
    cardwork::ReaderSession &reader = context.reader();
    const cardwork::MemoryCardRead read = read_card(reader, {});
    if (read.dump) {
        describe_card(context, std::string(cardkit::family_name(family)), *read.dump,
                      details(read));
    }
    for (const std::string &warning : read.warnings) context.out().warn(warning);
    if (read.stopped) throw *read.stopped;

    const CardDump &dump = *read.dump;
    Output &out = context.out();
    out.data()["blocks"] = dump.block_count();
    out.data()["exchanges"] = reader.exchanges();
    out.text(std::to_string(dump.block_count()) + " blocks read, " +
             std::to_string(reader.exchanges()) + " exchanges");
    save_dump(out, dump, options.output, format);
    if (out.data().contains("file")) {
        out.text("written to " + options.output + " (" + std::string(cardkit::format_name(format)) +
                 ")");
    }
    return kExitDone;
}

}  // namespace

int run_ultralight_dump(CommandContext &context, const DumpOptions &options) {
    return dump_card(context, options, cardkit::CardFamily::Ultralight, cardwork::read_ultralight,
                     [](const cardwork::MemoryCardRead &read) {
                         const auto &atqa = read.dump->identity().atqa;
                         return atqa ? Json{{"atqa", cardkit::to_hex(*atqa)}} : Json::object();
                     });
}

int run_srix4k_dump(CommandContext &context, const DumpOptions &options) {
    return dump_card(context, options, cardkit::CardFamily::Srix4k, cardwork::read_srix4k,
                     chip_id_json);
}

int run_sr176_dump(CommandContext &context, const DumpOptions &options) {
    return dump_card(context, options, cardkit::CardFamily::Sr176, cardwork::read_sr176,
                     chip_id_json);
}

int run_iso15693_dump(CommandContext &context, const DumpOptions &options) {
    return dump_card(context, options, cardkit::CardFamily::Iso15693, cardwork::read_iso15693,
                     [](const cardwork::MemoryCardRead &read) {
                         return Json{{"blocks", read.dump->block_count()},
                                     {"block_size", read.dump->block_size()}};
                     });
}

}  // namespace rfcard
