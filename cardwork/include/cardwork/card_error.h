#pragma once

// The one error card work throws: what stopped it, in a kind a caller branches
// on, and for a library call that failed the function and its result. The
// message reads as rfcard has always shown it: "context: rf_request returned 2,
// reader status 02: no card".

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cardwork {

enum class CardErrorKind {
    // A library call failed: the reader, the card or the line. function() and
    // result() name it.
    ReaderFailed,
    // The card or cards in the field cannot be worked as asked: another kind of
    // card, cards of two UID sizes together, a 10-byte UID, an answer that is
    // not what such a card sends, a block that holds no value.
    CardUnusable,
    // The dump given cannot go onto this card: another family, larger than the
    // card, trailers whose access bits would lock their sectors for good.
    DumpUnusable,
    // The caller's cancellation flag was set; the work stopped before an exchange.
    Cancelled,
};

class CardError : public std::runtime_error {
public:
    // A library function that returned `result` (not 0); `context` says what was
    // being done, when there is more to say than the function's name; `note`
    // follows the result's meaning ("(held by reader-sim, process 42)").
    static CardError call(std::string function, std::int32_t result, std::string context = {},
                          const std::string &note = {});
    // A failure that is no library call's.
    CardError(CardErrorKind kind, std::string message);

    CardErrorKind kind() const { return kind_; }
    // Empty unless a library call failed.
    const std::string &function() const { return function_; }
    std::int32_t result() const { return result_; }
    // What was being done; the whole message when no library call failed.
    const std::string &context() const { return context_; }
    // What the result means ("reader status 04: authentication failed"); empty
    // unless a library call failed.
    std::string meaning() const;

private:
    CardError(CardErrorKind kind, std::string message, std::string function, std::int32_t result,
              std::string context);

    CardErrorKind kind_;
    std::string function_;
    std::int32_t result_ = 0;
    std::string context_;
};

// What stops whole-card work that no one foresaw (an exception of the standard
// library), as a ReaderFailed error without a function, so that the work ends
// like any other stop and keeps what it did: "unexpected failure: ...".
CardError unexpected_failure(const std::exception &error);

// True when a call failed on the line (no answer, a broken one) rather than with
// the reader's status: the card may or may not have carried the command out.
bool outcome_unknown(const CardError &error);

}  // namespace cardwork
