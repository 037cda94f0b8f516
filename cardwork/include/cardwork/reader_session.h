#pragma once

// The reader as card work uses it: the bound library, every command counted as
// the one exchange it is, so work can say how many it needed, and the caller's
// cancellation flag checked before each exchange, so work stops within one
// exchange of the flag being set. A session belongs to one thread at a time;
// two sessions on two readers may work side by side.

#include <atomic>
#include <cstdint>

#include "binding/reader_api.h"
#include "cardwork/card_error.h"
#include "protocol/frame.h"
#include "protocol/reader_status.h"

namespace cardwork {

// The reader statuses card work acts on, as the library's calls return them.
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

// A flag a signal handler may set: it must not need a lock.
static_assert(std::atomic<bool>::is_always_lock_free);

class ReaderSession {
public:
    // `cancel`, when given, is read before every exchange; once it is true each
    // exchange throws CardError (Cancelled) instead of being sent.
    explicit ReaderSession(const binding::ReaderApi &api, const std::atomic<bool> *cancel = nullptr)
        : api_(api), cancel_(cancel) {}
    // Closes the port when connect() opened it.
    ~ReaderSession();
    ReaderSession(const ReaderSession &) = delete;
    ReaderSession &operator=(const ReaderSession &) = delete;

    // rf_init_com: opens port `port` (1 to 16) and puts the reader at `baud`.
    void connect(std::int32_t port, std::int32_t baud);

    const binding::ReaderApi &api() const { return api_; }
    long exchanges() const { return exchanges_; }
    bool cancelled() const { return cancel_ != nullptr && cancel_->load(); }
    // CardError (Cancelled) when the flag is set.
    void check_cancel() const;

    // One reader command to the broadcast address; its result.
    template <typename Function, typename... Arguments>
    std::int32_t attempt(Function function, Arguments... arguments) {
        check_cancel();
        ++exchanges_;
        return function(protocol::kBroadcastAddress, arguments...);
    }
    // One reader command that must succeed; CardError naming `name` otherwise.
    template <typename Function, typename... Arguments>
    void call(const char *name, Function function, Arguments... arguments) {
        const std::int32_t result = attempt(function, arguments...);
        if (result != 0) throw CardError::call(name, result);
    }

    // Antenna off, the protocol, antenna on, with the pauses of a full field
    // cycle (protocol/field_pauses.h): the cards in the field start afresh.
    void power_field(char card_protocol);

private:
    const binding::ReaderApi &api_;
    const std::atomic<bool> *cancel_;
    bool connected_ = false;
    long exchanges_ = 0;
};

}  // namespace cardwork

// session.call / session.attempt with the export named once.
#define CARDWORK_CALL(session, name, ...) \
    (session).call(#name, (session).api().name __VA_OPT__(, ) __VA_ARGS__)
#define CARDWORK_TRY(session, name, ...) \
    (session).attempt((session).api().name __VA_OPT__(, ) __VA_ARGS__)
