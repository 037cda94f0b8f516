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

struct KeyOptions {
    std::vector<std::string> keys;       // --key, 12 hex digits each
    std::vector<std::string> key_files;  // -k, dictionaries
};

struct DumpOptions {
    std::string output;  // -o; standard output when empty
    std::string format;  // --format; else the output's extension
};

int run_mifare_dump(CommandContext &context, const KeyOptions &keys, const DumpOptions &dump);

struct RestoreCommand {
    std::string file;
    bool verify = false;
    bool include_block0 = false;
    bool include_trailers = false;
    bool yes = false;
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
    std::string input, output;
    std::string format;  // of the output; else its extension
    std::string from;    // of the input; else its name or content
    std::string family;  // raw input of a size that leaves it open
    int block_size = 4;  // raw ISO 15693 input
};
int run_convert(CommandContext &context, const ConvertCommand &convert);
int run_diff(CommandContext &context, const std::string &before, const std::string &after,
             bool hide_identical);

// The whole program: parses `argv` and runs the command. `library_directory`
// stands in for the program's own directory where libDrovik.so is looked for.
int run_rfcard(int argc, const char *const *argv, const std::string &library_directory = {});

}  // namespace rfcard
