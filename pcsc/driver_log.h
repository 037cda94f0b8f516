#pragma once

// The driver's messages: into pcscd's own log when the driver runs inside pcscd
// (its log_msg, found at run time), else on standard error.

#include <string>

namespace pcsc {

enum class LogLevel { Debug = 0, Info = 1, Error = 2, Critical = 3 };

void log_message(LogLevel level, const std::string &text);

}  // namespace pcsc
