#pragma once

// A ReaderApi of fakes: every call is recorded as text ("rf_M1_read(0,4)"), every
// result can be scripted per function, and the outputs (card type, UID, blocks,
// value, reader information) come from one state the tests fill. Only the calls
// the shell and the Mifare Classic page make are faked; the others stay null.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/shell/reader_api.h"

namespace fake_reader {

using Bytes = std::vector<std::uint8_t>;

struct State {
    std::vector<std::string> calls;
    // Results by function name, consumed one per call; 0 when none is left.
    std::map<std::string, std::deque<std::int32_t>> results;

    Bytes card_type{0x04, 0x00};
    Bytes uid{0x12, 0x34, 0x56, 0x78};
    std::uint8_t uid_length = 4;  // what rf_anticoll reports
    std::uint8_t select_acknowledge = 0x08;
    std::map<int, Bytes> blocks;                // block address -> 16 bytes (zeros when absent)
    std::map<int, std::uint8_t> block_lengths;  // rf_M1_read's length, 16 when absent
    std::int32_t value = 0;                     // what rf_M1_readval returns
    Bytes model{0x01, 0x02};
    Bytes serial{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    std::uint32_t version = 2;
    std::uint16_t device_number = 0x1234;
};

State &state();
void reset();
// Scripts the next results of one function.
void results(const std::string &function, std::initializer_list<std::int32_t> statuses);

// The table of fakes.
tilvane::ReaderApi api();

// The recorded calls, and those of one function.
const std::vector<std::string> &calls();
std::vector<std::string> calls_of(const std::string &function);

}  // namespace fake_reader
