#include "binding/reader_library.h"

#include "selmek.h"

namespace binding {

std::string ReaderLibrary::file_in(const std::string &directory) {
    return platform::path_in(directory, platform::library_file_name("Drovik"));
}

bool ReaderLibrary::load(const std::string &path) {
    unload();
    path_ = path;
    module_ = platform::Module::load(path);
    if (!module_.loaded()) return false;
    missing_ =
        bind_reader_api([this](std::uint16_t ordinal) { return module_.resolve(ordinal); }, api_);
    return true;
}

void ReaderLibrary::unload() {
    api_ = ReaderApi{};
    missing_.clear();
    module_.unload();
}

std::optional<std::int32_t> ReaderLibrary::transport_version() const {
    if (!loaded()) return std::nullopt;
    // The reader library has loaded this very file already; this only takes
    // another reference.
    const auto transport = platform::Module::load(
        platform::path_in(platform::directory_of(path_), platform::library_file_name("Selmek")));
    const auto version =
        reinterpret_cast<GetCOMDLLVersion_fn>(transport.resolve("GetCOMDLLVersion"));
    if (version == nullptr) return std::nullopt;
    return version();
}

}  // namespace binding
