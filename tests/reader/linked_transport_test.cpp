// A program that links the library's code binds entry points of its own: the
// exports then go through them, or, when one is missing, through none.

#include <gtest/gtest.h>

#include <vector>

#include "drovik.h"
#include "reader/linked_transport.h"

namespace {

std::vector<int> g_request_lengths;

int32_t SELMEK_CALL version() { return 1; }
int32_t SELMEK_CALL open_port(int32_t, int32_t) { return 1; }
int32_t SELMEK_CALL no_arguments() { return 0; }
int32_t SELMEK_CALL open_parallel(int32_t) { return 0; }
int32_t SELMEK_CALL set_baud(int32_t) { return SELMEK_OK; }
int32_t SELMEK_CALL silent_reader(const uint8_t *, int32_t length, uint8_t *, uint32_t *) {
    g_request_lengths.push_back(length);
    return SELMEK_ERR_TIMEOUT;
}

drovik::LinkedTransport complete() {
    drovik::LinkedTransport transport;
    transport.GetCOMDLLVersion = &version;
    transport.OpenComPort = &open_port;
    transport.CloseComPort = &no_arguments;
    transport.OpenLPTPort = &open_parallel;
    transport.CloseLPTPort = &no_arguments;
    transport.CommunicateRFResult = &silent_reader;
    transport.FreeComData = &no_arguments;
    transport.SetCommBaud = &set_baud;
    return transport;
}

TEST(LinkedTransport, CarriesTheExportsUntilUnbound) {
    g_request_lengths.clear();
    ASSERT_TRUE(drovik::bind_linked_transport(complete()));
    EXPECT_EQ(rf_beep(0, 10), SELMEK_ERR_TIMEOUT);
    EXPECT_EQ(g_request_lengths.size(), 1u);
    drovik::unbind_linked_transport();
    EXPECT_EQ(rf_beep(0, 10), DROVIK_ERR_NO_TRANSPORT);
    EXPECT_EQ(g_request_lengths.size(), 1u);
}

TEST(LinkedTransport, OneMissingEntryPointBindsNothing) {
    g_request_lengths.clear();
    ASSERT_TRUE(drovik::bind_linked_transport(complete()));
    drovik::LinkedTransport lacking = complete();
    lacking.SetCommBaud = nullptr;
    EXPECT_FALSE(drovik::bind_linked_transport(lacking));
    EXPECT_EQ(rf_beep(0, 10), DROVIK_ERR_NO_TRANSPORT);
    EXPECT_TRUE(g_request_lengths.empty());
}

}  // namespace
