#pragma once

// One exchange on an open line, whatever its kind: the request out, one whole
// response frame back, within bounded waits.

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "line.h"

namespace selmek {

// How long `count` bytes take on the line at `rate` (8N1: ten bits a byte),
// rounded up to the microsecond.
std::chrono::microseconds wire_time(std::size_t count, std::int32_t rate);

// The checks an exchange's arguments pass before anything is sent: SELMEK_OK, or
// SELMEK_ERR_BAD_ARGUMENT for a null pointer or a request of no bytes or of more
// than protocol::kResponseCapacity. Sets `*response_length` to 0 unless it is null.
std::int32_t accept_exchange_arguments(const std::uint8_t *request, std::size_t request_length,
                                       const std::uint8_t *response,
                                       std::uint32_t *response_length);

// Discards stale input, writes the request, and reads one response frame into
// `response` (protocol::kResponseCapacity bytes), writing it and `*response_length` only
// when the frame is whole.
//
// Waits, with `wait` the first-byte wait (or for a probe the turnaround
// allowance, see answer_wait.h): the request may take its wire time plus `wait`
// to go out; the first byte of the answer must come within `wait` after the
// request has gone out on the line; from that first byte (whatever it is) the
// whole frame must be in within the wire time of the longest frame plus `wait` —
// one deadline for the frame, so a reader that trickles bytes cannot hold the
// caller longer.
//
// Returns SELMEK_OK, or SELMEK_ERR_NOT_OPEN, _WRITE_FAILED, _TIMEOUT (nothing
// came), _BAD_FRAME (bytes came, but no header with a matching length
// complement), _INCOMPLETE_FRAME (a frame began but did not end in time),
// _DEVICE_GONE, _FRAME_TOO_LONG, _IO.
std::int32_t exchange_frame(Line &line, std::chrono::milliseconds wait, const std::uint8_t *request,
                            std::size_t request_length, std::uint8_t *response,
                            std::uint32_t *response_length);

}  // namespace selmek
