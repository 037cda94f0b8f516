#include "cli/reader_library.h"

#include "cli/tool_error.h"
#include "selmek.h"

namespace rfcard {

std::string program_directory() { return platform::directory_of(platform::executable_path()); }

ReaderLibrary::ReaderLibrary(const std::string &directory)
    : path_(directory + "/libDrovik.so"), module_(platform::Module::load(path_)) {
    if (!module_.loaded()) {
        throw ToolError(kExitNoLibrary, "cannot load " + path_ + ": " + module_.error());
    }
    const std::uint16_t missing = tilvane::BindReaderApi(
        [this](std::uint16_t ordinal) { return module_.resolve(ordinal); }, api_);
    if (missing != 0) {
        throw ToolError(kExitNoLibrary,
                        path_ + " does not export ordinal " + std::to_string(missing));
    }
}

std::optional<std::int32_t> ReaderLibrary::transport_version() const {
    // Drovik has loaded this very file already; this only takes another reference.
    const auto transport = platform::Module::load(platform::directory_of(path_) + "/libSelmek.so");
    const auto version =
        reinterpret_cast<GetCOMDLLVersion_fn>(transport.resolve("GetCOMDLLVersion"));
    if (version == nullptr) return std::nullopt;
    return version();
}

}  // namespace rfcard
