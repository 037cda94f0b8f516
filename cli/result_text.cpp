#include "cli/result_text.h"

#include "binding/result_meaning.h"
#include "cli/tool_error.h"

namespace rfcard {

std::string result_meaning(std::string_view function, std::int32_t result) {
    return binding::result_meaning(function, result).text;
}

ReaderError::ReaderError(std::string function, std::int32_t result, const std::string &context)
    : ToolError(kExitReaderFailed,
                (context.empty() ? "" : context + ": ") + binding::describe_call(function, result)),
      function_(std::move(function)),
      result_(result),
      meaning_(result_meaning(function_, result)) {}

}  // namespace rfcard
