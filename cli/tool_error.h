#pragma once

// Failures that end a command, each with the exit status it gives: rfcard's own
// (the command line, files, the library) as ToolError, and card work's
// CardError by its kind.

#include <stdexcept>
#include <string>

#include "cardwork/card_error.h"
#include "exit_codes.h"

namespace rfcard {

class ToolError : public std::runtime_error {
public:
    ToolError(ExitCode code, const std::string &message)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// The exit status of a card-work failure.
ExitCode exit_code_of(const cardwork::CardError &error);
// Its message as rfcard shows it: a cancellation is the operator's Ctrl-C.
std::string message_of(const cardwork::CardError &error);

}  // namespace rfcard
