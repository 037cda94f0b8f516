#pragma once

// The client's side of Telnet with the COM-PORT-OPTION (RFC 2217), without I/O:
// it is fed what the server sent and says what to send back, which options are
// agreed and which of its requests the server confirmed. The network line
// (network_line.h) carries the bytes.
//
// Options: each has one state machine per direction (ours: WILL/WONT answered by
// DO/DONT; theirs: DO/DONT answered by WILL/WONT), requested, active or
// inactive. We ask for BINARY both ways (the reader's frames are bytes, not
// text), SUPPRESS-GO-AHEAD both ways and to use the COM-PORT-OPTION ourselves;
// a server's offer of any other option is refused, and an agreed option the
// server withdraws is withdrawn in turn.
//
// Settings: a request for the line's rate (or data size, parity, stop bits) is
// pending until the server answers it (answers to earlier requests, which come
// first, do not count); it is confirmed only when the server's answer names the
// value asked for, refused when it names another. Control
// (DTR, RTS, flow control) and purge requests are not waited for: some servers
// never answer them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "telnet_codec.h"

namespace selmek {

namespace com_port {
// Client-to-server commands of the COM-PORT-OPTION; the server answers each
// with the command plus kServerOffset.
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;
inline constexpr std::uint8_t kPurgeData = 12;
inline constexpr std::uint8_t kServerOffset = 100;

inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kOneStopBit = 1;
inline constexpr std::uint8_t kNoFlowControl = 1;
inline constexpr std::uint8_t kDtrOn = 8;
inline constexpr std::uint8_t kRtsOn = 11;
inline constexpr std::uint8_t kPurgeBoth = 3;
}  // namespace com_port

// One Telnet option in one direction.
class TelnetOption {
public:
    enum class State { requested, active, inactive };

    // `yes`/`no`: what we send to turn it on or off (kWill/kWont for our side,
    // kDo/kDont for theirs); the server answers with the other pair.
    TelnetOption(std::uint8_t option, std::uint8_t yes, std::uint8_t no, State initial);

    std::uint8_t option() const { return option_; }
    State state() const { return state_; }
    // Whether `verb` speaks of this direction of the option.
    bool concerns(std::uint8_t verb) const { return verb == ack_yes_ || verb == ack_no_; }

    // The server's `verb` for this option; appends our answer, if one is due, to `out`.
    void receive(std::uint8_t verb, std::vector<std::uint8_t> &out);
    // Appends the request that opens the negotiation, for an option requested
    // from the start.
    void request(std::vector<std::uint8_t> &out) const;

private:
    std::uint8_t option_;
    std::uint8_t yes_;
    std::uint8_t no_;
    std::uint8_t ack_yes_;
    std::uint8_t ack_no_;
    State state_;
};

class ComPortClient {
public:
    enum class Answer { pending, confirmed, refused };

    ComPortClient();

    // The option requests that open the session.
    std::vector<std::uint8_t> start() const;

    // What the server sent: data bytes are appended to `data`, what we must
    // answer to `reply`.
    void receive(const std::uint8_t *bytes, std::size_t count, std::vector<std::uint8_t> &data,
                 std::vector<std::uint8_t> &reply);

    // Whether the server agreed that we use the COM-PORT-OPTION; refused once it
    // said DONT.
    Answer com_port() const;
    // Whether the server sent a malformed sub-negotiation of the COM-PORT-OPTION
    // since the session began.
    bool broke_protocol() const { return broke_protocol_; }

    // The rate, 8N1, no flow control, DTR and RTS raised, both buffers purged.
    std::vector<std::uint8_t> request_line_settings(std::int32_t rate);
    // The rate alone.
    std::vector<std::uint8_t> request_rate(std::int32_t rate);

    // The server's answer to the last rate requested; to the whole line settings
    // (rate, data size, parity and stop bits; refused when any was).
    Answer rate() const { return rate_.answer; }
    Answer line_settings() const;

private:
    struct Setting {
        std::uint8_t command;
        std::vector<std::uint8_t> value;  // asked for last
        Answer answer = Answer::confirmed;
        // Requests not answered yet: the server answers in order, so a late
        // answer to an earlier request is not taken for the last one's.
        int unanswered = 0;
    };
    void request(Setting &setting, std::vector<std::uint8_t> value, std::vector<std::uint8_t> &out);
    void take_subnegotiation(const telnet::Event &event);
    void take_negotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t> &reply);

    telnet::Decoder decoder_;
    std::vector<TelnetOption> options_;
    Setting rate_{com_port::kSetBaudRate, {}};
    Setting data_size_{com_port::kSetDataSize, {}};
    Setting parity_{com_port::kSetParity, {}};
    Setting stop_size_{com_port::kSetStopSize, {}};
    bool broke_protocol_ = false;
    std::vector<telnet::Event> events_;  // reused between calls
};

}  // namespace selmek
