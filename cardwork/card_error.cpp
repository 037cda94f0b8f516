#include "cardwork/card_error.h"

#include <utility>

#include "binding/result_meaning.h"

namespace cardwork {

CardError::CardError(CardErrorKind kind, std::string message, std::string function,
                     std::int32_t result, std::string context)
    : std::runtime_error(std::move(message)),
      kind_(kind),
      function_(std::move(function)),
      result_(result),
      context_(std::move(context)) {}

CardError::CardError(CardErrorKind kind, std::string message)
    : CardError(kind, message, {}, 0, message) {}

CardError CardError::call(std::string function, std::int32_t result, std::string context,
                          const std::string &note) {
    std::string message = (context.empty() ? "" : context + ": ") +
                          binding::describe_call(function, result) +
                          (note.empty() ? "" : " " + note);
    return CardError(CardErrorKind::ReaderFailed, std::move(message), std::move(function), result,
                     std::move(context));
}

CardError unexpected_failure(const std::exception &error) {
    return CardError(CardErrorKind::ReaderFailed,
                     std::string("unexpected failure: ") + error.what());
}

std::string CardError::meaning() const {
    if (function_.empty()) return {};
    return binding::result_meaning(function_, result_).text;
}

bool outcome_unknown(const CardError &error) {
    return error.kind() == CardErrorKind::ReaderFailed &&
           binding::result_meaning(error.function(), error.result()).kind !=
               binding::ResultClass::ReaderStatus;
}

}  // namespace cardwork
