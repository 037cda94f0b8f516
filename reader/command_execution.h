#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "command_frame.h"
#include "protocol/commands.h"

namespace drovik {

// Single-byte parameters travel as 32-bit integers of which the low byte is sent.
inline int low_byte(std::int32_t value) { return value & 0xFF; }

// The request data of one command, gathered from the export's arguments. A null
// pointer among them, or more data than a request can carry, makes the request
// invalid: the command is then refused with 1 and nothing is sent.
class RequestData {
public:
    RequestData &byte(std::int32_t value);  // the low byte
    RequestData &bytes(const std::uint8_t *data, std::size_t count);
    RequestData &le32(std::uint32_t value);  // least significant byte first

    bool valid() const { return !null_seen_ && !overflow_ && size_ <= protocol::kMaxRequestData; }
    std::span<const std::uint8_t> view() const { return {data_.data(), size_}; }

private:
    // Room for the largest request an export can gather (a leading byte and 255
    // command bytes); anything beyond protocol::kMaxRequestData is refused, never sent.
    std::array<std::uint8_t, 256> data_{};
    std::size_t size_ = 0;
    bool null_seen_ = false;
    bool overflow_ = false;
};

// How an export reads the data of a successful reply.
struct Reply {
    enum class Rule {
        Ignored,          // no reply data: success, data ignored
        Forbidden,        // no reply data allowed: data present gives 1
        Fixed,            // exactly `expected` bytes, else 1 and nothing copied
        FixedCountFirst,  // as Fixed, the received count written first
        Variable,         // count to *count, bytes to out
        Address,          // the reader address field of the response to *address
    };
    Rule rule = Rule::Ignored;
    std::uint8_t *out = nullptr;
    std::uint8_t *count = nullptr;
    std::size_t expected = 0;
    std::uint16_t *address = nullptr;

    static Reply ignored() { return {}; }
    static Reply forbidden() { return {Rule::Forbidden}; }
    static Reply fixed(std::uint8_t *out, std::size_t expected) {
        return {Rule::Fixed, out, nullptr, expected};
    }
    static Reply fixed_count_first(std::uint8_t *out, std::uint8_t *count, std::size_t expected) {
        return {Rule::FixedCountFirst, out, count, expected};
    }
    static Reply variable(std::uint8_t *out, std::uint8_t *count) {
        return {Rule::Variable, out, count, 0};
    }
    static Reply reader_address(std::uint16_t *address) {
        return {Rule::Address, nullptr, nullptr, 0, address};
    }

    // True when every output the rule writes to is there.
    bool outputs_present() const;
};

// Hands the frame's request to the transport and collects the response, still
// escaped. Returns the transport's result, or DROVIK_ERR_NO_TRANSPORT at once
// when no transport is bound.
std::int32_t exchange(CommandFrame &frame);

// True when a transport is bound, so an exchange can be tried.
bool transport_ready();

// Ends a command whose frame was built: its status byte becomes the library's
// last status, whatever the result. Returns `result`.
std::int32_t finish_command(const CommandFrame &frame, std::int32_t result);

// The shape of every export that talks to the reader: check, build, exchange,
// unescape, status, reply rule. `address` is the export's 32-bit argument, of
// which the low 16 bits are sent; without a reply rule, reply data is ignored.
// Returns the export's result code.
std::int32_t run_command(std::int32_t address, protocol::Command command,
                         const RequestData &request, const Reply &reply = Reply::ignored());

// The reply rule alone, applied to the data of a complete response with status 0.
std::int32_t apply_reply(const ResponseView &response, const Reply &reply);

// What an unescaped response says before any reply rule: 1 when it was cut short
// (never zeros taken for a status), else the reader's status byte (0 for success).
std::int32_t response_result(const ResponseView &response);

}  // namespace drovik
