#pragma once

// The checks every page operation makes around its library calls, each reporting
// its own failure in the status band so that the operation can simply stop.

#include <QString>

#include <cstdint>

#include "common/message_table.h"
#include "protocol/frame.h"

namespace tilvane {

class AppState;

// Every page talks to the reader at this address.
inline constexpr int kReaderAddress = protocol::kBroadcastAddress;
// Room for the longest answer the library can give.
inline constexpr int kAnswerRoom = static_cast<int>(protocol::kAnswerRoom);

// True while a port is open; otherwise shows `text` (by default "Cannot connect
// to device") as an error.
bool RequireConnection(const AppState &state, const QString &text = Message(kMsgCannotConnect));

// True for status 0; otherwise reports the status under the function's name.
bool CallSucceeded(std::int32_t status, const char *function_name);

// True when the call succeeded with an answer of exactly `size` bytes; otherwise
// reports it in the failure form (a wrong size reads "Error: 0 ,Function: name").
bool AnswerOfSize(std::int32_t status, int length, int size, const char *function_name);
// The same for an answer that must hold at least `size` bytes.
bool AnswerOfAtLeast(std::int32_t status, int length, int size, const char *function_name);

}  // namespace tilvane
