#include "common/logged_api.h"

#include <array>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "binding/export_descriptions.h"
#include "binding/result_meaning.h"
#include "common/app_state.h"
#include "common/exchange_call_format.h"

namespace tilvane {

namespace {

// What the thunks call and where they record: one per process, since a thunk
// is a plain function with the export's signature and nothing else to go by.
struct Target {
    std::mutex mutex;
    binding::ReaderApi plain;
    std::shared_ptr<ExchangeLog> log;
    bool active = false;
};

Target &target() {
    static Target instance;
    return instance;
}

const binding::ExportDescription &DescriptionOf(std::uint16_t ordinal) {
    for (const binding::ExportDescription &description : binding::export_descriptions()) {
        if (description.ordinal == ordinal) return description;
    }
    throw std::logic_error("an export without a description");
}

template <typename T>
RawArgument Raw(T argument) {
    if constexpr (std::is_pointer_v<T>) {
        return {0, static_cast<const void *>(argument)};
    } else {
        return {static_cast<std::int64_t>(argument), nullptr};
    }
}

template <std::uint16_t Ordinal, auto Member,
          typename Function =
              std::remove_cvref_t<decltype(std::declval<binding::ReaderApi &>().*Member)>>
struct Thunk;

template <std::uint16_t Ordinal, auto Member, typename Result, typename... Parameters>
struct Thunk<Ordinal, Member, Result(DROVIK_CALL *)(Parameters...)> {
    static Result DROVIK_CALL call(Parameters... arguments) {
        Result(DROVIK_CALL * function)(Parameters...);
        std::shared_ptr<ExchangeLog> log;
        {
            Target &current = target();
            const std::lock_guard lock(current.mutex);
            function = current.plain.*Member;
            log = current.log;
        }
        if (!log) return function(arguments...);

        static const binding::ExportDescription &description = DescriptionOf(Ordinal);
        const std::array<RawArgument, sizeof...(Parameters)> raw{Raw(arguments)...};
        const CallFormat format(description, raw, log->show_keys());
        ExchangeEntry entry;
        entry.function = description.name;
        MaskedText given = format.arguments();
        entry.arguments = std::move(given.masked);
        entry.arguments_with_keys = std::move(given.with_keys);

        entry.time = std::chrono::system_clock::now();
        const auto start = std::chrono::steady_clock::now();
        if constexpr (std::is_void_v<Result>) {
            function(arguments...);
            entry.duration = std::chrono::steady_clock::now() - start;
            Finish(entry, format, std::nullopt);
            log->append(std::move(entry));
        } else {
            const Result result = function(arguments...);
            entry.duration = std::chrono::steady_clock::now() - start;
            Finish(entry, format, result);
            log->append(std::move(entry));
            return result;
        }
    }

    static void Finish(ExchangeEntry &entry, const CallFormat &format,
                       std::optional<std::int32_t> result) {
        entry.result = result;
        if (result) entry.meaning = binding::result_meaning(entry.function, *result).text;
        MaskedText back = format.returned(result);
        entry.returned = std::move(back.masked);
        entry.returned_with_keys = std::move(back.with_keys);
    }
};

}  // namespace

binding::ReaderApi LoggingTable(const binding::ReaderApi &plain) {
    binding::ReaderApi table;
#define TILVANE_LOGGING_ENTRY(ordinal, name, result, parameters) \
    table.name = plain.name ? &Thunk<ordinal, &binding::ReaderApi::name>::call : nullptr;
    DROVIK_EXPORTS(TILVANE_LOGGING_ENTRY)
#undef TILVANE_LOGGING_ENTRY
    return table;
}

bool SameTable(const binding::ReaderApi &a, const binding::ReaderApi &b) {
    bool same = true;
#define TILVANE_SAME_ENTRY(ordinal, name, result, parameters) same = same && a.name == b.name;
    DROVIK_EXPORTS(TILVANE_SAME_ENTRY)
#undef TILVANE_SAME_ENTRY
    return same;
}

ExchangeLogging::ExchangeLogging(AppState &state, std::shared_ptr<ExchangeLog> log)
    : state_(state), plain_(state.api) {
    Target &current = target();
    {
        const std::lock_guard lock(current.mutex);
        if (current.active) throw std::logic_error("the library's calls are logged already");
        current.active = true;
        current.plain = plain_;
        current.log = std::move(log);
    }
    state_.api = LoggingTable(plain_);
}

ExchangeLogging::~ExchangeLogging() {
    if (SameTable(state_.api, LoggingTable(plain_))) state_.api = plain_;
    Target &current = target();
    const std::lock_guard lock(current.mutex);
    // The plain table stays for copies of the logging table still in use.
    current.log.reset();
    current.active = false;
}

}  // namespace tilvane
