#pragma once

// A ReaderApi of fakes for every export: every call is recorded as text with
// its arguments ("rf_M1_read(0,4)", byte arguments as hex digits), every result
// can be scripted per function, and the outputs come from one state the tests
// fill: the Type A card and Mifare blocks in their own fields, every other answer
// from `answers`, `memory` and `defaults`.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "binding/reader_api.h"

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

    // The answers of the other calls that bring bytes back, by function name: the
    // next scripted answer of the function, else what `memory` holds for the unit
    // read (page, block, first block), else the default, else zeros of the size
    // the call asks for. The answer's size is the length the call reports.
    std::map<std::string, std::deque<Bytes>> answers;
    std::map<std::string, std::map<int, Bytes>> memory;
    std::map<std::string, Bytes> defaults = {
        {"rf_ul_select", {0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, 0x80}},
        {"rf_atqb", {0x50, 0x4D, 0xAA, 0x20, 0x17, 0x00, 0x00, 0x00, 0x00, 0x00, 0x71, 0x00}},
        {"rf_st_select", {0x06}},
        {"rf_srix4k_getuid", {0xE5, 0xA9, 0x72, 0x13, 0x4B, 0x0C, 0x02, 0xD0}},
        {"rf_typea_rst", {0x3E, 0x81, 0x22, 0x6D, 0x05, 0x78, 0x80, 0x70, 0x02}},
        {"rf_cos_command", {0x90, 0x00}},
        {"rf_typeb_cos", {0x90, 0x00}},
        {"rf_sam_rst", {0x3B, 0x02, 0x14, 0x50}},
        {"rf_sam_cos", {0x90, 0x00}},
        {"ISO15693_Inventory", {0x00, 0x8E, 0x10, 0x33, 0x52, 0xA1, 0xC6, 0x07, 0xE0}},
        {"ISO15693_Get_System_Information",
         {0x0F, 0x8E, 0x10, 0x33, 0x52, 0xA1, 0xC6, 0x07, 0xE0, 0x00, 0x00, 0x3F, 0x03, 0x01}},
        {"rf_getlockcardinfo", {0x12, 0x34, 0x56, 0x78}},
    };
};

State &state();
void reset();
// Scripts the next results of one function.
void results(const std::string &function, std::initializer_list<std::int32_t> statuses);

// The table of fakes.
binding::ReaderApi api();

// The recorded calls, and those of one function.
const std::vector<std::string> &calls();
std::vector<std::string> calls_of(const std::string &function);

}  // namespace fake_reader
