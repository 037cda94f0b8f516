// What results mean, for every kind of result and the functions whose numbers
// mean something of their own; and the interface description other languages
// bind by.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "binding/result_meaning.h"
#include "program_run.h"

namespace {

using binding::ResultClass;

TEST(ResultMeaning, EachKindOfResultReadsAsWhatItIs) {
    const struct {
        const char *function;
        std::int32_t result;
        ResultClass kind;
        const char *name;
        const char *text;
    } rows[] = {
        {"rf_M1_read", 0, ResultClass::Done, "done", "done"},
        {"rf_M1_read", 1, ResultClass::RefusedArgument, "refused",
         "the library refused an argument, or the answer did not carry the data expected"},
        {"rf_M1_authentication2", 4, ResultClass::ReaderStatus, "authentication failed",
         "reader status 04: authentication failed"},
        {"rf_request", 0x12, ResultClass::ReaderStatus, "card error",
         "reader status 12: card error"},
        {"rf_request", 0x13, ResultClass::ReaderStatus, "status 13",
         "reader status 13, which the reader does not document"},
        {"rf_M1_read", 0x100, ResultClass::Transport, "DROVIK_ERR_NO_TRANSPORT",
         "transport: libSelmek.so could not be loaded beside libDrovik.so"},
        {"rf_M1_read", 0x102, ResultClass::Transport, "SELMEK_ERR_TIMEOUT",
         "transport: the reader said nothing within the wait"},
        {"rf_M1_read", 0x104, ResultClass::Transport, "SELMEK_ERR_DEVICE_GONE",
         "transport: the device went away (unplugged?)"},
        {"rf_M1_read", 0x10A, ResultClass::Transport, "SELMEK_ERR_BAD_FRAME",
         "transport: bytes came, but no frame (noise, or the reader at another rate)"},
        {"rf_M1_read", 0x1FE, ResultClass::Transport, "0x1FE",
         "transport: unknown transport result"},
        // The port's open passes on the system's reason, which would read as a status.
        {"rf_init_com", 2, ResultClass::SystemError, "ENOENT",
         "the port did not open: No such file or directory"},
        // Busy is another program holding the port, not a fault of the device.
        {"rf_init_com", 16, ResultClass::SystemError, "EBUSY",
         "the port is in use by another program"},
        {"rf_init_com", 0x1FF, ResultClass::Transport, "DROVIK_ERR_OPEN_FAILED",
         "transport: the port did not open, and the system gave no reason"},
        // A network port's own reasons read as the transport's, not as errno values.
        {"rf_init_com", 0x10D, ResultClass::Transport, "SELMEK_ERR_BAD_ADDRESS",
         "transport: the port's network address is malformed (scheme, host, port or option)"},
        {"rf_init_com", 0x10E, ResultClass::Transport, "SELMEK_ERR_UNKNOWN_HOST",
         "transport: the host name of the port's network address does not resolve"},
        {"rf_init_com", 0x10C, ResultClass::Transport, "SELMEK_ERR_RATE_FIXED",
         "transport: the network port's server runs its line at a fixed rate"},
        {"rf_init_com", 111, ResultClass::SystemError, "ECONNREFUSED",
         "the port did not open: Connection refused"},
        // Negative results are the steps of one function only.
        {"rf_getlockcardinfo", -3, ResultClass::SelectStep, "UID not 4 bytes",
         "the anticollision gave a UID that is not 4 bytes"},
        {"rf_M1_read", -3, ResultClass::Unknown, "unknown", "unknown result"},
        {"rf_getlockcardinfo", -7, ResultClass::Unknown, "unknown", "unknown result"},
        {"rf_M1_read", 0x200, ResultClass::Unknown, "unknown", "unknown result"},
    };
    for (const auto &row : rows) {
        const auto meaning = binding::result_meaning(row.function, row.result);
        EXPECT_EQ(meaning.kind, row.kind) << row.function << " " << row.result;
        EXPECT_EQ(meaning.name, row.name) << row.function << " " << row.result;
        EXPECT_EQ(meaning.text, row.text) << row.function << " " << row.result;
    }
}

TEST(ResultMeaning, OnlyABusyPortOpenMeansAnotherProgramHasThePort) {
    const struct {
        const char *function;
        std::int32_t result;
        bool in_use;
    } rows[] = {
        {"rf_init_com", 16, true},
        {"rf_init_com", 13, false},
        {"rf_init_com", 0x1FF, false},
        {"rf_M1_read", 16, false},  // a reader status there
    };
    for (const auto &row : rows) {
        EXPECT_EQ(binding::means_port_in_use(row.function, row.result), row.in_use)
            << row.function << " " << row.result;
    }
}

TEST(ResultMeaning, ACallIsDescribedByFunctionResultAndMeaning) {
    EXPECT_EQ(binding::describe_call("rf_M1_read", 6),
              "rf_M1_read returned 6, reader status 06: not allowed");
    EXPECT_EQ(binding::describe_call("rf_request", 0x102),
              "rf_request returned 258 (0x102), transport: the reader said nothing within the "
              "wait");
}

TEST(InterfaceDescription, ListsExportsAndResultTables) {
    const auto run = test_support::run_program(TILVANE_INTERFACE_TOOL, {});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto interface = nlohmann::json::parse(run.out);
    ASSERT_EQ(interface["exports"].size(), 76u);
    const auto &read = interface["exports"][21];
    EXPECT_EQ(read["name"], "rf_M1_read");
    EXPECT_EQ(read["ordinal"], 22);
    EXPECT_EQ(read["parameters"][2],
              (nlohmann::json{{"name", "data"}, {"kind", "output"}, {"type", "u8"}, {"size", 16}}));
    EXPECT_EQ(read["parameters"][3]["counts"], "data");
    EXPECT_EQ(interface["exports"][30]["parameters"][1]["size_from"], "command_length");
    const auto &transport = interface["results"]["transport"];
    EXPECT_TRUE(std::any_of(transport.begin(), transport.end(), [](const auto &row) {
        return row["code"] == 0x102 && row["name"] == "SELMEK_ERR_TIMEOUT";
    }));
    EXPECT_EQ(interface["results"]["reader_statuses"][0]["text"], "reader status 02: no card");
    EXPECT_EQ(interface["results"]["port_open_reasons"][0],
              (nlohmann::json{{"code", 16},
                              {"name", "EBUSY"},
                              {"text", "the port is in use by another program"}}));
    EXPECT_EQ(interface["reader"]["baud_rates"].size(), 7u);
    EXPECT_EQ(interface["reader"]["card_protocols"]["short_range"], 's');
}

}  // namespace
