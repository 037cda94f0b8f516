#pragma once

// Logging the library's calls at no cost while nobody looks: the application
// state's `api` stays the plain bound table until an ExchangeLogging is made.
// That puts a table of logging thunks in its place, one per export with the
// export's own signature and calling convention, generated from the export
// list: each formats the arguments by the export's description
// (common/exchange_call_format.h), times the real call, records name,
// arguments, result, meaning and what came back into the log, and returns the
// real result. Ending the ExchangeLogging puts the plain table back.
//
// One ExchangeLogging at a time. A copy of the logging table still in use after
// it ended (a worker that took one) keeps calling the library, unlogged.

#include <memory>

#include "binding/reader_api.h"
#include "common/exchange_log.h"

namespace tilvane {

class AppState;

class ExchangeLogging {
public:
    // Records every call made through `state.api` from now on into `log`.
    // Throws std::logic_error when another ExchangeLogging exists.
    ExchangeLogging(AppState &state, std::shared_ptr<ExchangeLog> log);
    // Puts the plain table back, unless the state's table was replaced meanwhile.
    ~ExchangeLogging();
    ExchangeLogging(const ExchangeLogging &) = delete;
    ExchangeLogging &operator=(const ExchangeLogging &) = delete;

private:
    AppState &state_;
    binding::ReaderApi plain_;
};

// The table of logging thunks an ExchangeLogging over `plain` puts in place: an
// entry is null where `plain`'s is.
binding::ReaderApi LoggingTable(const binding::ReaderApi &plain);

// Whether every entry of the two tables is the same function.
bool SameTable(const binding::ReaderApi &a, const binding::ReaderApi &b);

}  // namespace tilvane
