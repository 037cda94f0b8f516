#include "command_context.h"

#include "interrupt.h"

namespace rfcard {

ReaderLibrary &CommandContext::library() {
    if (!library_) {
        library_ = std::make_unique<ReaderLibrary>(
            options_.library_directory.empty() ? program_directory() : options_.library_directory);
    }
    return *library_;
}

cardwork::ReaderSession &CommandContext::reader() {
    if (!reader_) {
        auto reader = std::make_unique<cardwork::ReaderSession>(library().api(), &interrupt_flag());
        reader->connect(options_.port, options_.baud);
        reader_ = std::move(reader);
    }
    return *reader_;
}

}  // namespace rfcard
