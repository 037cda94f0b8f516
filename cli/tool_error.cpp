#include "tool_error.h"

namespace rfcard {

ExitCode exit_code_of(const cardwork::CardError &error) {
    switch (error.kind()) {
        case cardwork::CardErrorKind::ReaderFailed:
        case cardwork::CardErrorKind::CardUnusable:
            return kExitReaderFailed;
        case cardwork::CardErrorKind::DumpUnusable:
            return kExitBadInput;
        case cardwork::CardErrorKind::Cancelled:
            break;
    }
    return kExitInterrupted;
}

std::string message_of(const cardwork::CardError &error) {
    if (error.kind() == cardwork::CardErrorKind::Cancelled) return "interrupted";
    return error.what();
}

}  // namespace rfcard
