#pragma once

// A program run to its end as a child process, the way a user or a script runs
// it: arguments, text on its standard input, and what it wrote to standard
// output and standard error, with its exit status. A run that overstays its
// time is killed, so a program that hangs fails the test instead of holding it.

#include <chrono>
#include <string>
#include <vector>

namespace test_support {

struct ProgramRun {
    int status = -1;  // the exit status; -1 when killed or not started
    std::string out;
    std::string err;
    bool timed_out = false;
};

ProgramRun run_program(const std::string &program, const std::vector<std::string> &arguments,
                       const std::string &input = {},
                       std::chrono::milliseconds time_allowed = std::chrono::seconds(120));

}  // namespace test_support
