// convert and diff: dump files only, no reader.

#include <iostream>

#include "cardkit/dump_diff.h"
#include "commands.h"
#include "dump_files.h"
#include "whole_files.h"

namespace rfcard {

int run_convert(CommandContext &context, const ConvertCommand &command) {
    const cardkit::CardDump dump = load_dump(command.input, command.in);
    check_writable(command.output);
    const cardkit::DumpFormat format =
        output_format(command.format, command.output, dump.family(), cardkit::DumpFormat::Json);
    Output &out = context.out();
    if (command.output.empty() || command.output == "-") out.keep_stdout_for_data();
    out.data()["card"] = dump.description();
    out.text((command.input == "-" ? std::string("standard input") : command.input) + ": " +
             dump.description());
    save_dump(out, dump, command.output, format);
    if (out.data().contains("file")) {
        out.text("written to " + command.output + " (" + std::string(cardkit::format_name(format)) +
                 ")");
    }
    return kExitDone;
}

int run_diff(CommandContext &context, const DiffCommand &command) {
    const std::string &before = command.before;
    const std::string &after = command.after;
    const bool hide_identical = command.hide_identical;
    if (before == "-" && after == "-") {
        throw ToolError(kExitUsage, "only one of the dumps can come from standard input");
    }
    const cardkit::CardDump a = load_dump(before, command.in);
    const cardkit::CardDump b = load_dump(after, command.in);
    cardkit::DumpDiff diff;
    try {
        diff = cardkit::diff_dumps(a, b);
    } catch (const std::invalid_argument &error) {
        throw ToolError(kExitBadInput, before + " and " + after + ": " + error.what());
    }
    Output &out = context.out();
    if (!out.json()) std::cout << cardkit::format_diff(diff, hide_identical);

    Json groups = Json::array();
    for (const cardkit::DiffGroup &group : diff.groups) {
        if (hide_identical && group.differences.empty()) continue;
        Json differences = Json::array();
        for (const cardkit::BlockDifference &difference : group.differences)
            differences.push_back({{"block", difference.block}, {"notes", difference.notes}});
        groups.push_back({{"label", group.label},
                          {"first_block", group.first_block},
                          {"block_count", group.block_count},
                          {"differences", std::move(differences)}});
    }
    out.data()["card_notes"] = diff.card_notes;
    out.data()["groups"] = std::move(groups);
    out.data()["equal_blocks"] = diff.equal_blocks;
    out.data()["total_blocks"] = diff.total_blocks;
    const bool same = diff.card_notes.empty() && diff.equal_blocks == diff.total_blocks;
    out.data()["identical"] = same;
    return same ? kExitDone : kExitIncomplete;
}

}  // namespace rfcard
