// convert and diff: dump files only, no reader.

#include <iostream>
#include <map>

#include "cardkit/dump_diff.h"
#include "commands.h"
#include "dump_files.h"

namespace rfcard {

namespace {

cardkit::CardFamily family_named(const std::string &name) {
    static const std::map<std::string, cardkit::CardFamily> kFamilies = {
        {"mifare", cardkit::CardFamily::MifareClassic},
        {"ultralight", cardkit::CardFamily::Ultralight},
        {"srix4k", cardkit::CardFamily::Srix4k},
        {"sr176", cardkit::CardFamily::Sr176},
        {"15693", cardkit::CardFamily::Iso15693},
    };
    const auto found = kFamilies.find(name);
    if (found == kFamilies.end()) {
        throw ToolError(kExitUsage, "no card family is called " + name +
                                        " (mifare, ultralight, srix4k, sr176, 15693)");
    }
    return found->second;
}

}  // namespace

int run_convert(CommandContext &context, const ConvertCommand &command) {
    cardkit::ImportOptions import;
    if (!command.from.empty()) {
        import.format = cardkit::format_from_name(command.from);
        if (!import.format) throw ToolError(kExitUsage, "no dump format is called " + command.from);
    }
    if (!command.family.empty()) import.family = family_named(command.family);
    import.iso15693_block_size = command.block_size;
    const cardkit::CardDump dump = load_dump(command.input, import);
    const cardkit::DumpFormat format =
        output_format(command.format, command.output, dump.family(), cardkit::DumpFormat::Json);
    Output &out = context.out();
    if (command.output.empty() || command.output == "-") out.keep_stdout_for_data();
    out.data()["card"] = dump.description();
    out.text(command.input + ": " + dump.description());
    save_dump(out, dump, command.output, format);
    if (out.data().contains("file")) {
        out.text("written to " + command.output + " (" + std::string(cardkit::format_name(format)) +
                 ")");
    }
    return kExitDone;
}

int run_diff(CommandContext &context, const std::string &before, const std::string &after,
             bool hide_identical) {
    const cardkit::CardDump a = load_dump(before);
    const cardkit::CardDump b = load_dump(after);
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
