#include "telnet_codec.h"

namespace selmek::telnet {

void Decoder::command(std::uint8_t byte, std::vector<std::uint8_t> &data) {
    switch (byte) {
        case kIac:
            data.push_back(kIac);
            step_ = Step::data;
            break;
        case kWill:
        case kWont:
        case kDo:
        case kDont:
            verb_ = byte;
            step_ = Step::option;
            break;
        case kSb:
            step_ = Step::sub_option;
            break;
        default:
            // NOP, GA, a stray SE and the rest: nothing to act on.
            step_ = Step::data;
            break;
    }
}

void Decoder::malformed(std::vector<Event> &events) {
    events.push_back({Event::Kind::malformed_subnegotiation, 0, option_, {}});
    payload_.clear();
}

void Decoder::decode(const std::uint8_t *input, std::size_t count, std::vector<std::uint8_t> &data,
                     std::vector<Event> &events) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = input[i];
        switch (step_) {
            case Step::data:
                if (byte == kIac) {
                    step_ = Step::command;
                } else {
                    data.push_back(byte);
                }
                break;
            case Step::command:
                command(byte, data);
                break;
            case Step::option:
                events.push_back({Event::Kind::negotiation, verb_, byte, {}});
                step_ = Step::data;
                break;
            case Step::sub_option:
                payload_.clear();
                if (byte == kIac) {
                    // IAC SB IAC: no option byte came.
                    option_ = 0;
                    malformed(events);
                    step_ = Step::sub_skip_command;
                } else {
                    option_ = byte;
                    step_ = Step::sub_payload;
                }
                break;
            case Step::sub_payload:
                if (byte == kIac) {
                    step_ = Step::sub_command;
                } else if (payload_.size() >= kMaxSubnegotiation) {
                    malformed(events);
                    step_ = Step::sub_skip;
                } else {
                    payload_.push_back(byte);
                }
                break;
            case Step::sub_command:
                if (byte == kSe) {
                    events.push_back(
                        {Event::Kind::subnegotiation, 0, option_, std::move(payload_)});
                    payload_.clear();
                    step_ = Step::data;
                } else if (byte == kIac && payload_.size() < kMaxSubnegotiation) {
                    payload_.push_back(kIac);
                    step_ = Step::sub_payload;
                } else if (byte == kIac) {
                    malformed(events);
                    step_ = Step::sub_skip;
                } else {
                    // IAC and a command inside a sub-negotiation: it ended without
                    // its SE, and the command counts as one.
                    malformed(events);
                    command(byte, data);
                }
                break;
            case Step::sub_skip:
                if (byte == kIac) step_ = Step::sub_skip_command;
                break;
            case Step::sub_skip_command:
                step_ = byte == kSe ? Step::data : Step::sub_skip;
                break;
        }
    }
}

void escape_data(const std::uint8_t *data, std::size_t count, std::vector<std::uint8_t> &out) {
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(data[i]);
        if (data[i] == kIac) out.push_back(kIac);
    }
}

void put_negotiation(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t> &out) {
    out.insert(out.end(), {kIac, verb, option});
}

void put_subnegotiation(std::uint8_t option, const std::vector<std::uint8_t> &payload,
                        std::vector<std::uint8_t> &out) {
    out.insert(out.end(), {kIac, kSb, option});
    escape_data(payload.data(), payload.size(), out);
    out.insert(out.end(), {kIac, kSe});
}

}  // namespace selmek::telnet
