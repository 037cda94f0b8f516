#pragma once

// The reader's side of the serial frame: decoding one request as it arrives on
// the wire (escaped) and encoding one response.
//
// Request, unescaped: AA BB L ~L addr_lo addr_hi code data(L-4) check, where the
// check byte is the XOR of ~L through the last data byte. Response, unescaped:
// AA BB L ~L addr_lo addr_hi code status data(L-5) check, the check byte the XOR
// of positions 3 to the last data byte. On the wire every 0xAA from position 2 on
// is followed by a stuffed 0x00.

#include <cstdint>
#include <optional>

#include "protocol/frame.h"
#include "sim/bytes.h"

namespace sim {

struct Request {
    std::uint16_t address = 0;
    std::uint8_t code = 0;
    Bytes data;
    bool check_ok = false;  // the check byte matched
};

// Decodes one request frame given as wire bytes (header included, still escaped).
// nullopt when the bytes are not a frame at all: no header, a length byte that
// disagrees with its complement, a length below 4, a byte count that disagrees
// with the length, or an 0xAA not followed by its stuffed 0x00. Such bytes cannot
// be trusted even for the address, so they get no answer. A frame whose only
// fault is its check byte decodes with check_ok false.
std::optional<Request> decode_request(ByteView wire);

// Encodes a response frame (escaped, ready for the wire). `data` must hold at most
// protocol::kMaxResponseData bytes.
Bytes encode_response(std::uint16_t address, std::uint8_t code, std::uint8_t status, ByteView data);

// Escapes an unescaped frame: every 0xAA from position 2 on gets a 0x00 after it.
Bytes escape_frame(ByteView unescaped);

}  // namespace sim
