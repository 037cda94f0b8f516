#pragma once

// Telnet on the wire, below the reader's frames: the byte 0xFF (IAC) starts a
// command, so a data byte 0xFF travels doubled. The decoder takes bytes as the
// socket gives them and splits them into data (IAC IAC undoubled) and commands:
// option negotiation (WILL, WONT, DO, DONT) and sub-negotiations (IAC SB option
// ... IAC SE). Other commands (NOP, GA, ...) carry nothing here and are dropped.
// A sub-negotiation may hold at most kMaxSubnegotiation bytes: a longer one, one
// without an option, or one broken by IAC and anything but IAC or SE is reported
// malformed, and nothing of it reaches the data. Nothing here does I/O.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace selmek::telnet {

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kEcho = 1;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPortOption = 44;

// The payload of a sub-negotiation after its option byte: RFC 2217's longest
// answers are a few bytes, a signature some dozens.
inline constexpr std::size_t kMaxSubnegotiation = 256;

struct Event {
    enum class Kind {
        negotiation,               // verb (kWill .. kDont) and option
        subnegotiation,            // option and payload
        malformed_subnegotiation,  // option (0 when none came); no payload
    };
    Kind kind;
    std::uint8_t verb = 0;
    std::uint8_t option = 0;
    std::vector<std::uint8_t> payload;

    bool operator==(const Event &) const = default;
};

class Decoder {
public:
    // Decodes `count` bytes of `input` where the last call left off: data bytes
    // are appended to `data`, commands to `events`, in the order they came.
    void decode(const std::uint8_t *input, std::size_t count, std::vector<std::uint8_t> &data,
                std::vector<Event> &events);

private:
    enum class Step {
        data,
        command,      // after IAC
        option,       // after IAC and a verb
        sub_option,   // after IAC SB
        sub_payload,  // inside a sub-negotiation
        sub_command,  // after IAC inside a sub-negotiation
        sub_skip,     // inside a malformed sub-negotiation, up to its IAC SE
        sub_skip_command,
    };
    void command(std::uint8_t byte, std::vector<std::uint8_t> &data);
    void malformed(std::vector<Event> &events);

    Step step_ = Step::data;
    std::uint8_t verb_ = 0;
    std::uint8_t option_ = 0;
    std::vector<std::uint8_t> payload_;
};

// `count` bytes of data with every 0xFF doubled, appended to `out`.
void escape_data(const std::uint8_t *data, std::size_t count, std::vector<std::uint8_t> &out);

// IAC verb option, appended to `out`.
void put_negotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t> &out);

// IAC SB option payload IAC SE, 0xFF in the payload doubled, appended to `out`.
void put_subnegotiation(std::uint8_t option, const std::vector<std::uint8_t> &payload,
                        std::vector<std::uint8_t> &out);

}  // namespace selmek::telnet
