// The command line: CLI11 reads it into the options of one command, which then
// runs; every failure becomes its message and exit status here.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <limits>

#include "batch_commands.h"
#include "command_docs.h"
#include "commands.h"
#include "interrupt.h"
#include "key_options.h"
#include "protocol/baud_rates.h"

namespace rfcard {

namespace {

constexpr const char *kExitCodes = R"(Exit status:
  0    done
  1    a library call failed (the reader, the card or the line); the message
       names the function, its result and what that means
  2    wrong command line
  3    a file that is missing, unreadable or cannot be written (the message
       names it and says why), or a file or bytes given that are not what
       they claim
  4    libDrovik.so missing beside rfcard, or lacking an export
  5    done, but not all of it: blocks left unknown or not written, blocks
       that read back differently, dumps that differ, a card that refused
       an APDU, a card of a batch that failed or was left partial; or a
       dump or restore stopped part way (the card or reader gone): the
       dump is written with what was read, the blocks not read named; a
       restore names the blocks written and not, and logs them for
       --resume
  6    block 0 or trailers not confirmed: nothing written
  130  interrupted (Ctrl-C), after the same as 5: the dump written with
       what was read, the restore's blocks named and logged
FILE - reads standard input, -o - writes standard output.
Keys found on a card are remembered per UID in
$XDG_DATA_HOME/Velomar/rfcard/keys/ (the user's alone) and tried first the
next time.)";

using Action = std::function<int(CommandContext &)>;

constexpr const char *kSizeHelp =
    "the card's size whatever the card or file says: mini, 1k, 2k or 4k, or for "
    "Ultralight/NTAG its type (ultralight, ulc, ul11, ul21, ntag213, ntag215, ...)";

void add_dump_options(CLI::App &command, DumpOptions &dump, bool sized) {
    command.add_option("-o,--output", dump.output,
                       "the file to write (- or none: standard output)");
    command.add_option("--format", dump.format,
                       "raw, eml, mct, json or nfc (default: by the "
                       "file's extension)");
    if (sized) command.add_option("--size", dump.size, kSizeHelp);
}

// How a dump file is read: --size always; --from, --family and --block-size
// where the file may be raw or of any format.
void add_input_options(CLI::App &command, InputOptions &input, bool formats) {
    if (formats) {
        command.add_option("--from", input.from,
                           "the format, when neither the name nor the content tells");
        command.add_option("--family", input.family,
                           "of a raw file: mifare, ultralight, srix4k, sr176 or 15693");
        command
            .add_option("--block-size", input.block_size, "bytes a block of a raw ISO 15693 file")
            ->check(CLI::Range(1, 32));
    }
    command.add_option("--size", input.size, kSizeHelp);
}

// `rfcard <family> dump`, for the cards without keys.
void add_family_dump(CLI::App &app, const std::string &family, const std::string &what,
                     DumpOptions &options, Action &action,
                     int (*run)(CommandContext &, const DumpOptions &)) {
    CLI::App *group = app.add_subcommand(family, what)->require_subcommand(1);
    CLI::App *dump = group->add_subcommand("dump", "read the whole card into a dump");
    add_dump_options(*dump, options, family == "ul");
    dump->callback([&action, &options, run] {
        action = [&options, run](CommandContext &context) { return run(context, options); };
    });
}

}  // namespace

int run_rfcard(int argc, const char *const *argv, const std::string &library_directory) {
    CommonOptions common;
    common.library_directory = library_directory;
    Action action;

    CLI::App app{"Whole-card work with the contactless card reader.", "rfcard"};
    app.fallthrough();
    app.require_subcommand(1);
    app.footer(kExitCodes);
    app.add_option("--port", common.port, "serial port 1 to 16 (SELMEK_PORTn names its device)")
        ->check(CLI::Range(1, 16))
        ->capture_default_str();
    // The device of --port for this run: the transport reads SELMEK_PORT<n>
    // when the port opens, so the address needs no way of its own to it.
    std::string device;
    app.add_option("--device", device,
                   "the port's device for this run, a path or rfc2217://HOST:PORT or "
                   "tcp://HOST:PORT (sets SELMEK_PORTn of --port)");
    std::vector<std::int32_t> rates;
    for (const auto &rate : protocol::kBaudRates) rates.push_back(rate.rate);
    app.add_option("--baud", common.baud, "the rate to put the reader at")
        ->check(CLI::IsMember(rates))
        ->capture_default_str();
    app.add_flag("--json", common.json, "machine-readable output: one JSON document");

    app.add_subcommand("info", "the reader's model and serial number, library versions")
        ->callback([&] { action = run_info; });
    app.add_subcommand("scan", "what answers in the field, protocol by protocol")->callback([&] {
        action = run_scan;
    });

    // Mifare Classic.
    CLI::App *mf = app.add_subcommand("mf", "Mifare Classic cards")->require_subcommand(1);
    KeyOptions keys;
    DumpOptions mf_dump_options;
    CLI::App *mf_dump = mf->add_subcommand("dump", "find the sectors' keys and read every block");
    add_key_options(*mf_dump, keys);
    add_dump_options(*mf_dump, mf_dump_options, true);
    mf_dump->callback([&] {
        action = [&](CommandContext &context) {
            return run_mifare_dump(context, keys, mf_dump_options);
        };
    });

    RestoreCommand restore;
    CLI::App *mf_restore = mf->add_subcommand("restore", "write a dump's blocks to the card");
    mf_restore->add_option("FILE", restore.file, "the dump (- reads standard input)")->required();
    add_input_options(*mf_restore, restore.input, false);
    mf_restore->add_flag("--verify", restore.verify, "read every written block back");
    mf_restore->add_flag("--include-block0", restore.include_block0, "write block 0 too");
    mf_restore->add_flag("--include-trailers", restore.include_trailers,
                         "write the trailers (keys and access bits) too");
    mf_restore->add_flag("-y,--yes", restore.yes, "no question before block 0 or trailers");
    mf_restore->add_option("--resume", restore.resume,
                           "the log of a restore cut short: write only the blocks it did not");
    mf_restore->add_option("--log", restore.log,
                           "where to log the blocks written (default: after a stop, "
                           "FILE.restore-log; with --resume, that log)");
    add_key_options(*mf_restore, keys);
    mf_restore->callback([&] {
        action = [&](CommandContext &context) {
            return run_mifare_restore(context, keys, restore);
        };
    });

    ValueCommand value;
    CLI::App *mf_value = mf->add_subcommand("value", "value blocks")->require_subcommand(1);
    const struct {
        const char *name;
        const char *help;
        ValueOperation operation;
        const char *operand;
    } value_commands[] = {
        {"read", "show the value", ValueOperation::Read, nullptr},
        {"init", "make the block a value block holding VALUE", ValueOperation::Init, "VALUE"},
        {"inc", "add AMOUNT", ValueOperation::Increment, "AMOUNT"},
        {"dec", "take AMOUNT off", ValueOperation::Decrement, "AMOUNT"},
    };
    for (const auto &entry : value_commands) {
        CLI::App *command = mf_value->add_subcommand(entry.name, entry.help);
        command->add_option("BLOCK", value.block, "block number")
            ->required()
            ->check(CLI::Range(0, 255));
        if (entry.operand != nullptr) {
            const bool init = entry.operation == ValueOperation::Init;
            command->add_option(entry.operand, value.value, entry.help)
                ->required()
                ->check(
                    CLI::Range(init ? std::int64_t{std::numeric_limits<std::int32_t>::min()} : 0,
                               std::int64_t{std::numeric_limits<std::int32_t>::max()}));
        }
        add_key_options(*command, keys);
        const ValueOperation operation = entry.operation;
        command->callback([&, operation] {
            value.operation = operation;
            action = [&](CommandContext &context) {
                return run_mifare_value(context, keys, value);
            };
        });
    }

    CLI::App *acl = mf->add_subcommand("acl", "access bits")->require_subcommand(1);
    std::string acl_bytes;
    std::vector<std::string> acl_conditions;
    int acl_sector = 0;
    CLI::App *acl_decode = acl->add_subcommand("decode", "the rights that access bits give");
    acl_decode->add_option("BYTES", acl_bytes, "trailer bytes 6 to 8 (or 9), or the whole trailer")
        ->required();
    CLI::App *acl_encode =
        acl->add_subcommand("encode", "access bits from C1C2C3 of blocks 0, 1, 2 and the trailer");
    acl_encode->add_option("C1C2C3", acl_conditions, "four conditions such as 000 000 000 001")
        ->required()
        ->expected(4);
    for (CLI::App *command : {acl_decode, acl_encode}) {
        command->add_option("--sector", acl_sector, "the sector (32 to 39 have 16 blocks)")
            ->check(CLI::Range(0, 39));
    }
    acl_decode->callback([&] {
        action = [&](CommandContext &context) {
            return run_access_decode(context, acl_bytes, acl_sector);
        };
    });
    acl_encode->callback([&] {
        action = [&](CommandContext &context) {
            return run_access_encode(context, acl_conditions, acl_sector);
        };
    });

    // Processor cards.
    std::vector<std::string> apdus;
    std::string apdu_type;
    CLI::App *apdu = app.add_subcommand("apdu", "activate an ISO 14443-4 card and send commands");
    apdu->add_option("HEX", apdus, "commands in hex, one argument each")->required();
    apdu->add_option("--type", apdu_type, "A or B (default: A, then B)")
        ->check(CLI::IsMember({"A", "B"}));
    apdu->callback([&] {
        action = [&](CommandContext &context) { return run_apdu(context, apdus, apdu_type); };
    });

    // The cards without keys.
    DumpOptions family_dump;
    add_family_dump(app, "ul", "Mifare Ultralight cards", family_dump, action, run_ultralight_dump);
    add_family_dump(app, "srix", "SRIX4K cards", family_dump, action, run_srix4k_dump);
    add_family_dump(app, "sr176", "SR176 cards", family_dump, action, run_sr176_dump);
    add_family_dump(app, "15693", "ISO 15693 tags, with block security", family_dump, action,
                    run_iso15693_dump);
    // The same dump to card after card.
    add_batch_commands(*mf, *app.get_subcommand("ul"), keys, action);

    // Files.
    ConvertCommand convert;
    CLI::App *convert_command =
        app.add_subcommand("convert", "write a dump file as another format");
    convert_command->add_option("IN", convert.input, "the dump to read (- reads standard input)")
        ->required();
    convert_command
        ->add_option("OUT", convert.output, "the file to write (- writes standard output)")
        ->required();
    convert_command->add_option("--format", convert.format, "of OUT: raw, eml, mct, json or nfc");
    add_input_options(*convert_command, convert.in, true);
    convert_command->callback(
        [&] { action = [&](CommandContext &context) { return run_convert(context, convert); }; });

    DiffCommand diff;
    CLI::App *diff_command =
        app.add_subcommand("diff", "compare two dumps block by block, in words");
    diff_command->add_option("A", diff.before, "the first dump (- reads standard input)")
        ->required();
    diff_command->add_option("B", diff.after, "the second dump")->required();
    diff_command->add_flag("--hide-identical", diff.hide_identical,
                           "leave out sectors that are the same");
    add_input_options(*diff_command, diff.in, false);
    diff_command->callback(
        [&] { action = [&](CommandContext &context) { return run_diff(context, diff); }; });

    ViewCommand view;
    CLI::App *view_command = app.add_subcommand(
        "view", "a dump decoded: blocks, values, keys and access rights in words, locks");
    view_command->add_option("FILE", view.file, "the dump (- reads standard input)")->required();
    add_input_options(*view_command, view.in, true);
    view_command->callback(
        [&] { action = [&](CommandContext &context) { return run_view(context, view); }; });

    // Hidden: the man page and the shell completions, written from the definition
    // above once every command is in it.
    app.set_version_flag("--version", "rfcard " RFCARD_VERSION);
    add_document_option(app, RFCARD_VERSION);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        return app.exit(error) == 0 ? kExitDone : kExitUsage;
    }

    if (!device.empty())
        setenv(("SELMEK_PORT" + std::to_string(common.port)).c_str(), device.c_str(), 1);
    stop_on_interrupt();
    CommandContext context(common);
    try {
        const int status = action(context);
        context.out().finish();
        return status;
    } catch (const ToolError &error) {
        context.out().fail(error);
        return error.code();
    } catch (const cardwork::CardError &error) {
        context.out().fail(error);
        return exit_code_of(error);
    } catch (const std::exception &error) {
        // Never a crash, whatever was missed.
        const ToolError unexpected(kExitReaderFailed,
                                   std::string("unexpected failure: ") + error.what());
        context.out().fail(unexpected);
        return unexpected.code();
    }
}

}  // namespace rfcard
