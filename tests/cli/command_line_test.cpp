// What rfcard refuses before it talks to a reader, and the exit status it then
// gives: a script must be able to tell a wrong command line from bad input.

#include <gtest/gtest.h>

#include "commands.h"

namespace {

int run(std::vector<const char *> arguments) {
    arguments.insert(arguments.begin(), "rfcard");
    return rfcard::run_rfcard(static_cast<int>(arguments.size()), arguments.data(), "/nonexistent");
}

TEST(CommandLine, RefusalsBeforeAnyReaderWork) {
    const struct {
        std::vector<const char *> arguments;
        int status;
    } rows[] = {
        {{"--help"}, rfcard::kExitDone},
        {{}, rfcard::kExitUsage},
        {{"--baud", "12345", "info"}, rfcard::kExitUsage},
        {{"--port", "17", "scan"}, rfcard::kExitUsage},
        {{"mf", "value", "inc", "5", "-1"}, rfcard::kExitUsage},
        {{"mf", "value", "read", "7"}, rfcard::kExitUsage},  // a trailer
        {{"mf", "value", "read", "0"}, rfcard::kExitUsage},  // the maker's block
        {{"mf", "dump", "--key", "FFFFFFFFFF"}, rfcard::kExitUsage},
        {{"mf", "dump", "--size", "ntag215"}, rfcard::kExitUsage},
        {{"mf", "dump", "--size", "8k"}, rfcard::kExitUsage},
        {{"ul", "dump", "--size", "4k"}, rfcard::kExitUsage},
        {{"mf", "dump", "-o", "card.txt"}, rfcard::kExitUsage},
        {{"ul", "dump", "--format", "mct"}, rfcard::kExitUsage},
        {{"apdu", "00A4 0400 0G"}, rfcard::kExitUsage},
        {{"mf", "acl", "encode", "000", "000", "000", "2"}, rfcard::kExitUsage},
        {{"mf", "acl", "decode", "FF07"}, rfcard::kExitUsage},
        {{"mf", "acl", "decode", "FF0781"}, rfcard::kExitBadInput},
        {{"mf", "acl", "decode", "FF078069", "--sector", "33"}, rfcard::kExitDone},
        {{"mf", "acl", "encode", "000", "000", "000", "001"}, rfcard::kExitDone},
        // Needs the library, which is not there: everything before it was taken.
        {{"info"}, rfcard::kExitNoLibrary},
        {{"mf", "dump", "-k", "FFFFFFFFFFFF", "-k", "a0:a1:a2:a3:a4:a5"}, rfcard::kExitNoLibrary},
        {{"mf", "dump", "--size", "4K", "-o", "-"}, rfcard::kExitNoLibrary},
        {{"ul", "dump", "--size", "ntag215"}, rfcard::kExitNoLibrary},
    };
    for (const auto &row : rows) {
        std::string shown;
        for (const char *argument : row.arguments) shown += std::string(argument) + " ";
        EXPECT_EQ(run(row.arguments), row.status) << shown;
    }
}

}  // namespace
