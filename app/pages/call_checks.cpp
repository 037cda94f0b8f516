#include "pages/call_checks.h"

#include "common/operator_messages.h"
#include "common/app_state.h"

namespace tilvane {

bool RequireConnection(const AppState &state, const QString &text) {
    if (state.connected()) return true;
    ShowError(text);
    return false;
}

bool CallSucceeded(std::int32_t status, const char *function_name) {
    if (status == 0) return true;
    ShowResult(status, function_name);
    return false;
}

bool AnswerOfSize(std::int32_t status, int length, int size, const char *function_name) {
    if (status == 0 && length == size) return true;
    ShowFailedResult(status, function_name);
    return false;
}

bool AnswerOfAtLeast(std::int32_t status, int length, int size, const char *function_name) {
    if (status == 0 && length >= size) return true;
    ShowFailedResult(status, function_name);
    return false;
}

}  // namespace tilvane
