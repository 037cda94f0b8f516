#pragma once

// Failures that end a command, each with the exit status it gives.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "cli/exit_codes.h"

namespace rfcard {

class ToolError : public std::runtime_error {
public:
    ToolError(ExitCode code, const std::string &message)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// A library function that returned a failure. The message names the function,
// its result and the result's meaning, after `context` when there is one.
class ReaderError : public ToolError {
public:
    ReaderError(std::string function, std::int32_t result, const std::string &context = {});
    const std::string &function() const { return function_; }
    std::int32_t result() const { return result_; }
    const std::string &meaning() const { return meaning_; }

private:
    std::string function_;
    std::int32_t result_;
    std::string meaning_;
};

// Ctrl-C: the command stops between two exchanges.
class Interrupted : public ToolError {
public:
    Interrupted() : ToolError(kExitInterrupted, "interrupted") {}
};

}  // namespace rfcard
