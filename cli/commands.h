#pragma once

// Each command of rfcard as a function of its options; the command line
// (command_line.cpp) fills the options and calls one. Each returns the exit
// status; failures come as ToolError or card work's CardError.

#include <cstdint>
#include <string>
#include <vector>

#include "cardwork/mifare_values.h"
#include "command_context.h"

namespace rfcard {

int run_info(CommandContext &context);
int run_scan(CommandContext &context);

// The keys every Mifare Classic command takes (key_options.h adds them).
struct KeyOptions {
    std::vector<std::string> keys;       // -k/--key, 12 hex digits each
    std::vector<std::string> key_files;  // -f/--dict, dictionaries ("-": standard input)
};

struct DumpOptions {
    std::string output;  // -o; standard output when empty or "-"
    std::string format;  // --format; else the output's extension
    std::string size;    // --size: the card's size or type, whatever it says
};

// How a dump file is read: its format, and for raw files the family and block
// size; the card's size whatever the file suggests.
struct InputOptions {
    std::string from;    // the format; else its name or content
    std::string family;  // raw files of a size that leaves it open
    int block_size = 4;  // raw ISO 15693 files
    std::string size;    // "1k", "mini", "ntag215", ...
};

int run_mifare_dump(CommandContext &context, const KeyOptions &keys, const DumpOptions &dump);

struct RestoreCommand {
    std::string file;  // "-": standard input (then --yes answers for block 0 and trailers)
    InputOptions input;
    bool verify = false;
    bool include_block0 = false;
    bool include_trailers = false;
    bool yes = false;
    // The log of a restore cut short: its blocks written are left out.
    std::string resume;
    // Where the log goes; else the resumed log, else beside the dump.
    std::string log;
};
int run_mifare_restore(CommandContext &context, const KeyOptions &keys,
                       const RestoreCommand &restore);

using cardwork::ValueOperation;
struct ValueCommand {
    ValueOperation operation = ValueOperation::Read;
    int block = 0;
    std::int64_t value = 0;  // init: the value; inc and dec: the amount
};
int run_mifare_value(CommandContext &context, const KeyOptions &keys, const ValueCommand &value);

int run_access_decode(CommandContext &context, const std::string &bytes, int sector);
int run_access_encode(CommandContext &context, const std::vector<std::string> &conditions,
                      int sector);

int run_apdu(CommandContext &context, const std::vector<std::string> &commands,
             const std::string &type);

int run_ultralight_dump(CommandContext &context, const DumpOptions &dump);
int run_srix4k_dump(CommandContext &context, const DumpOptions &dump);
int run_sr176_dump(CommandContext &context, const DumpOptions &dump);
int run_iso15693_dump(CommandContext &context, const DumpOptions &dump);

struct ConvertCommand {
    std::string input, output;  // "-": standard input, standard output
    std::string format;         // of the output; else its extension
    InputOptions in;
};
int run_convert(CommandContext &context, const ConvertCommand &convert);

struct DiffCommand {
    std::string before, after;  // one of them may be "-"
    InputOptions in;
    bool hide_identical = false;
};
int run_diff(CommandContext &context, const DiffCommand &diff);

// The whole dump decoded offline, as text or (--json) as its structure.
struct ViewCommand {
    std::string file;  // "-": standard input
    InputOptions in;
};
int run_view(CommandContext &context, const ViewCommand &view);

// The whole program: parses `argv` and runs the command. `library_directory`
// stands in for the program's own directory where libDrovik.so is looked for.
int run_rfcard(int argc, const char *const *argv, const std::string &library_directory = {});

}  // namespace rfcard
