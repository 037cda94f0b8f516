#pragma once

// The reader as rfcard's commands use it: the bound library, the open port, and
// every command counted as the one exchange it is, so a command can say how many
// it needed. A failed call becomes a ReaderError that names the function.

#include <cstddef>
#include <cstdint>

#include "binding/reader_api.h"
#include "cli/tool_error.h"
#include "protocol/card_protocols.h"
#include "protocol/reader_status.h"

namespace rfcard {

// The reader address rfcard speaks to: 0 reaches the reader whatever its own is.
inline constexpr std::int32_t kReaderAddress = 0;

// The reader statuses commands act on, as the results calls return them.
inline constexpr std::int32_t kNoCard = protocol::status_byte(protocol::ReaderStatus::NoCard);
inline constexpr std::int32_t kCollision = protocol::status_byte(protocol::ReaderStatus::Collision);
inline constexpr std::int32_t kAuthFailed =
    protocol::status_byte(protocol::ReaderStatus::AuthFailed);
inline constexpr std::int32_t kNotAllowed =
    protocol::status_byte(protocol::ReaderStatus::NotAllowed);
inline constexpr std::int32_t kBadAddress =
    protocol::status_byte(protocol::ReaderStatus::BadAddress);
inline constexpr std::int32_t kNotIso14443_4 =
    protocol::status_byte(protocol::ReaderStatus::NotIso14443_4);

// Room for a variable-size answer, which may be 250 bytes.
inline constexpr std::size_t kAnswerRoom = 256;

// Set by Ctrl-C; the reader checks it before each exchange.
void stop_on_interrupt();
bool interrupt_requested();

class Reader {
public:
    explicit Reader(const binding::ReaderApi &api) : api_(api) {}
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // rf_init_com: opens port `port` (1 to 16) and puts the reader at `baud`.
    void connect(std::int32_t port, std::int32_t baud);

    const binding::ReaderApi &api() const { return api_; }
    long exchanges() const { return exchanges_; }

    // One reader command; its result.
    template <typename Function, typename... Arguments>
    std::int32_t attempt(Function function, Arguments... arguments) {
        if (interrupt_requested()) throw Interrupted();
        ++exchanges_;
        return function(kReaderAddress, arguments...);
    }
    // One reader command that must succeed.
    template <typename Function, typename... Arguments>
    void call(const char *name, Function function, Arguments... arguments) {
        const std::int32_t result = attempt(function, arguments...);
        if (result != 0) throw ReaderError(name, result);
    }

    // Antenna off, the protocol, antenna on, with the pauses a card needs to
    // power down and up again.
    void power_field(char protocol);

private:
    const binding::ReaderApi &api_;
    bool connected_ = false;
    long exchanges_ = 0;
};

}  // namespace rfcard

// reader.call / reader.attempt with the export named once.
#define RF_CALL(reader, name, ...) \
    (reader).call(#name, (reader).api().name __VA_OPT__(, ) __VA_ARGS__)
#define RF_TRY(reader, name, ...) (reader).attempt((reader).api().name __VA_OPT__(, ) __VA_ARGS__)
