#pragma once

// The reader library as rfcard holds it: loaded from the program's own directory
// and bound by ordinal, every export of it.

#include <cstdint>
#include <optional>
#include <string>

#include "binding/reader_library.h"

namespace rfcard {

// The directory of the running program.
std::string program_directory();

class ReaderLibrary {
public:
    // Loads the reader library of `directory`; ToolError (kExitNoLibrary) when it is
    // missing or lacks an export.
    explicit ReaderLibrary(const std::string &directory);

    const binding::ReaderApi &api() const { return library_.api(); }
    const std::string &path() const { return library_.path(); }
    // GetCOMDLLVersion of the transport beside it; nullopt when there is none.
    std::optional<std::int32_t> transport_version() const { return library_.transport_version(); }

private:
    binding::ReaderLibrary library_;
};

}  // namespace rfcard
