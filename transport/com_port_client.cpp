#include "com_port_client.h"

#include <algorithm>

namespace selmek {

using namespace telnet;

namespace {

// The answer that goes with a request: DO for WILL, WILL for DO, and so on.
std::uint8_t acknowledgement_of(std::uint8_t verb) {
    switch (verb) {
        case kWill:
            return kDo;
        case kWont:
            return kDont;
        case kDo:
            return kWill;
        default:
            return kWont;
    }
}

std::vector<std::uint8_t> big_endian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

}  // namespace

TelnetOption::TelnetOption(std::uint8_t option, std::uint8_t yes, std::uint8_t no, State initial)
    : option_(option),
      yes_(yes),
      no_(no),
      ack_yes_(acknowledgement_of(yes)),
      ack_no_(acknowledgement_of(no)),
      state_(initial) {}

void TelnetOption::receive(std::uint8_t verb, std::vector<std::uint8_t> &out) {
    if (verb == ack_yes_) {
        // Agreed to what we asked; or offered, which we take and say so.
        if (state_ == State::inactive) put_negotiation(yes_, option_, out);
        state_ = State::active;
    } else if (verb == ack_no_) {
        // Refused what we asked; or withdrawn, which we acknowledge.
        if (state_ == State::active) put_negotiation(no_, option_, out);
        state_ = State::inactive;
    }
}

void TelnetOption::request(std::vector<std::uint8_t> &out) const {
    if (state_ == State::requested) put_negotiation(yes_, option_, out);
}

ComPortClient::ComPortClient() {
    using State = TelnetOption::State;
    options_ = {
        {kBinary, kWill, kWont, State::requested},
        {kBinary, kDo, kDont, State::requested},
        {kSuppressGoAhead, kWill, kWont, State::requested},
        {kSuppressGoAhead, kDo, kDont, State::requested},
        {kComPortOption, kWill, kWont, State::requested},
        // The server's own use of the option is taken when offered.
        {kComPortOption, kDo, kDont, State::inactive},
    };
}

std::vector<std::uint8_t> ComPortClient::start() const {
    std::vector<std::uint8_t> out;
    for (const TelnetOption &option : options_) option.request(out);
    return out;
}

ComPortClient::Answer ComPortClient::com_port() const {
    for (const TelnetOption &option : options_) {
        if (option.option() == kComPortOption && option.concerns(kDo)) {
            switch (option.state()) {
                case TelnetOption::State::active:
                    return Answer::confirmed;
                case TelnetOption::State::inactive:
                    return Answer::refused;
                case TelnetOption::State::requested:
                    return Answer::pending;
            }
        }
    }
    return Answer::refused;
}

ComPortClient::Answer ComPortClient::line_settings() const {
    const Answer answers[] = {rate_.answer, data_size_.answer, parity_.answer, stop_size_.answer};
    if (std::find(std::begin(answers), std::end(answers), Answer::refused) != std::end(answers)) {
        return Answer::refused;
    }
    if (std::find(std::begin(answers), std::end(answers), Answer::pending) != std::end(answers)) {
        return Answer::pending;
    }
    return Answer::confirmed;
}

void ComPortClient::request(Setting &setting, std::vector<std::uint8_t> value,
                            std::vector<std::uint8_t> &out) {
    std::vector<std::uint8_t> payload;
    payload.reserve(1 + value.size());
    payload.push_back(setting.command);
    for (const std::uint8_t byte : value) payload.push_back(byte);
    put_subnegotiation(kComPortOption, payload, out);
    setting.value = std::move(value);
    setting.answer = Answer::pending;
    ++setting.unanswered;
}

std::vector<std::uint8_t> ComPortClient::request_line_settings(std::int32_t rate) {
    std::vector<std::uint8_t> out;
    request(rate_, big_endian(static_cast<std::uint32_t>(rate)), out);
    request(data_size_, {8}, out);
    request(parity_, {com_port::kParityNone}, out);
    request(stop_size_, {com_port::kOneStopBit}, out);
    for (const std::uint8_t control :
         {com_port::kNoFlowControl, com_port::kDtrOn, com_port::kRtsOn}) {
        put_subnegotiation(kComPortOption, {com_port::kSetControl, control}, out);
    }
    put_subnegotiation(kComPortOption, {com_port::kPurgeData, com_port::kPurgeBoth}, out);
    return out;
}

std::vector<std::uint8_t> ComPortClient::request_rate(std::int32_t rate) {
    std::vector<std::uint8_t> out;
    request(rate_, big_endian(static_cast<std::uint32_t>(rate)), out);
    return out;
}

void ComPortClient::take_negotiation(std::uint8_t verb, std::uint8_t option,
                                     std::vector<std::uint8_t> &reply) {
    bool known = false;
    for (TelnetOption &item : options_) {
        if (item.option() == option && item.concerns(verb)) {
            item.receive(verb, reply);
            known = true;
        }
    }
    // Any other option offered or asked for is refused; a refusal needs no answer.
    if (!known && verb == kWill) put_negotiation(kDont, option, reply);
    if (!known && verb == kDo) put_negotiation(kWont, option, reply);
}

void ComPortClient::take_subnegotiation(const Event &event) {
    if (event.option != kComPortOption) return;
    if (event.kind == Event::Kind::malformed_subnegotiation || event.payload.empty()) {
        broke_protocol_ = true;
        return;
    }
    for (Setting *setting : {&rate_, &data_size_, &parity_, &stop_size_}) {
        if (event.payload[0] != setting->command + com_port::kServerOffset) continue;
        const std::size_t size = setting->value.size();
        if (event.payload.size() < 1 + size) {
            broke_protocol_ = true;
            return;
        }
        if (setting->unanswered > 0) --setting->unanswered;
        if (setting->answer != Answer::pending || setting->unanswered > 0) return;
        setting->answer =
            std::equal(setting->value.begin(), setting->value.end(), event.payload.begin() + 1)
                ? Answer::confirmed
                : Answer::refused;
        return;
    }
    // Notifications and answers to what is not waited for.
}

void ComPortClient::receive(const std::uint8_t *bytes, std::size_t count,
                            std::vector<std::uint8_t> &data, std::vector<std::uint8_t> &reply) {
    events_.clear();
    decoder_.decode(bytes, count, data, events_);
    for (const Event &event : events_) {
        if (event.kind == Event::Kind::negotiation) {
            take_negotiation(event.verb, event.option, reply);
        } else {
            take_subnegotiation(event);
        }
    }
}

}  // namespace selmek
