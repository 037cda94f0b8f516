// view: a dump decoded offline as the common tools show one, as text or, with
// --json, as the same facts in a structure.

#include <iostream>

#include "cardkit/dump_view.h"
#include "commands.h"
#include "dump_files.h"

namespace rfcard {

namespace {

// "5A 3C -- E2" as "5A3C--E2".
std::string packed(std::string bytes) {
    std::erase(bytes, ' ');
    return bytes;
}

Json block_json(const cardkit::BlockView &block) {
    Json json = {{"block", block.number},
                 {"bytes", packed(block.bytes)},
                 {"role", block.role},
                 {"notes", block.notes}};
    if (block.locked) json["locked"] = *block.locked;
    return json;
}

Json optional_text(const std::optional<std::string> &text) { return text ? Json(*text) : Json(); }

}  // namespace

int run_view(CommandContext &context, const ViewCommand &command) {
    const cardkit::CardDump dump = load_dump(command.file, command.in);
    const cardkit::DumpView view = cardkit::view_dump(dump);
    Output &out = context.out();
    if (!out.json()) std::cout << cardkit::format_dump_view(view);

    Json &data = out.data();
    data["card"] = view.card;
    Json facts = Json::object();
    for (const auto &[name, value] : view.facts) facts[name] = value;
    data["facts"] = std::move(facts);
    if (!view.sectors.empty()) {
        Json sectors = Json::array();
        for (const cardkit::SectorView &sector : view.sectors) {
            Json blocks = Json::array();
            for (const cardkit::BlockView &block : sector.blocks)
                blocks.push_back(block_json(block));
            sectors.push_back({{"sector", sector.sector},
                               {"blocks", std::move(blocks)},
                               {"key_a", optional_text(sector.key_a)},
                               {"key_b", optional_text(sector.key_b)},
                               {"access_bits", optional_text(sector.access_bytes)},
                               {"access_valid", sector.access_valid},
                               {"user_byte", optional_text(sector.user_byte)},
                               {"access", sector.access}});
        }
        data["sectors"] = std::move(sectors);
    } else {
        Json blocks = Json::array();
        for (const cardkit::BlockView &block : view.blocks) blocks.push_back(block_json(block));
        data["blocks"] = std::move(blocks);
    }
    data["notes"] = view.notes;
    return kExitDone;
}

}  // namespace rfcard
