#pragma once

// What a library function's result means: the one table every host program reads
// (rfcard's messages, the application's exchange log, the PC/SC driver's status
// words, the Python package's exceptions). The same number means different things
// by function: rf_init_com passes on the system's reason a port did not open, and
// rf_getlockcardinfo names the step that failed with a negative result.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace binding {

enum class ResultClass {
    Done,             // 0
    RefusedArgument,  // 1: an argument refused, or the answer lacked the data expected
    ReaderStatus,     // 2 to 255: the reader's status byte
    SystemError,      // rf_init_com: the system's code for a port that did not open
    Transport,        // 0x100 to 0x1FF: the line failed
    SelectStep,       // rf_getlockcardinfo: -1 to -6, the step that failed
    Unknown,
};

struct ResultMeaning {
    ResultClass kind;
    // A short name: "no card", "SELMEK_ERR_TIMEOUT", "ENOENT".
    std::string name;
    // What it means, in words an operator can act on: "reader status 04:
    // authentication failed", "transport: the reader said nothing within the wait".
    std::string text;
};

ResultMeaning result_meaning(std::string_view function, std::int32_t result);

// "rf_M1_read returned 6, reader status 06: not allowed"; hexadecimal too where
// that is how the value is documented ("returned 258 (0x102), transport: ...").
std::string describe_call(std::string_view function, std::int32_t result);

// The transport's results and the steps of rf_getlockcardinfo, as a table.
struct KnownResult {
    std::int32_t code;
    std::string_view name;
    std::string_view text;
};
std::span<const KnownResult> transport_results();
std::span<const KnownResult> select_steps();
// The reasons rf_init_com passes on that have words of their own rather than the
// system's text: another program holding the port.
std::span<const KnownResult> port_open_reasons();

// Whether `result` of `function` says that another program holds the port, so
// that a host can add which one (platform/device_holders.h).
bool means_port_in_use(std::string_view function, std::int32_t result);

// Short names of the classes, as the interface description spells them.
std::string_view class_name(ResultClass kind);

}  // namespace binding
