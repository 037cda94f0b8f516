#include "reader_library.h"

#include "tool_error.h"

namespace rfcard {

std::string program_directory() { return platform::directory_of(platform::executable_path()); }

ReaderLibrary::ReaderLibrary(const std::string &directory) {
    const std::string path = binding::ReaderLibrary::file_in(directory);
    if (!library_.load(path)) {
        throw ToolError(kExitNoLibrary, "cannot load " + path + ": " + library_.error());
    }
    if (!library_.missing().empty()) {
        throw ToolError(kExitNoLibrary, path + " does not export ordinal " +
                                            std::to_string(library_.missing().front()));
    }
}

}  // namespace rfcard
