#pragma once

// libDrovik.so as rfcard holds it: loaded from the program's own directory and
// bound by ordinal into the application's table, exactly as the application
// binds it, so a library that would not start the application does not start
// rfcard either.

#include <cstdint>
#include <optional>
#include <string>

#include "app/shell/reader_api.h"
#include "platform/module.h"

namespace rfcard {

// The directory of the running program.
std::string program_directory();

class ReaderLibrary {
public:
    // Loads `directory`/libDrovik.so; ToolError (kExitNoLibrary) when it is
    // missing or lacks an export.
    explicit ReaderLibrary(const std::string &directory);

    const tilvane::ReaderApi &api() const { return api_; }
    const std::string &path() const { return path_; }
    // GetCOMDLLVersion of the libSelmek.so beside it; nullopt when there is none.
    std::optional<std::int32_t> transport_version() const;

private:
    std::string path_;
    platform::Module module_;
    tilvane::ReaderApi api_;
};

}  // namespace rfcard
