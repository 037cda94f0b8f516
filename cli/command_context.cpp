#include "cli/command_context.h"

namespace rfcard {

ReaderLibrary &CommandContext::library() {
    if (!library_) {
        library_ = std::make_unique<ReaderLibrary>(
            options_.library_directory.empty() ? program_directory() : options_.library_directory);
    }
    return *library_;
}

Reader &CommandContext::reader() {
    if (!reader_) {
        auto reader = std::make_unique<Reader>(library().api());
        reader->connect(options_.port, options_.baud);
        reader_ = std::move(reader);
    }
    return *reader_;
}

}  // namespace rfcard
