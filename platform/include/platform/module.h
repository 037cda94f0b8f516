#pragma once

#include <cstdint>
#include <string>

namespace platform {

// One entry of the table that a library exporting by ordinal publishes under the C
// symbol `ordinal_exports`; the table ends with an entry whose ordinal is 0.
struct OrdinalExport {
    std::uint16_t ordinal;
    const char *name;
};

inline constexpr const char *kOrdinalTableSymbol = "ordinal_exports";

// A loaded shared library. Move-only; the destructor unloads it. Paths are UTF-8
// throughout; on Windows they go to the system as UTF-16, and either separator may
// be used.
class Module {
public:
    Module() = default;
    ~Module();
    Module(Module &&other) noexcept;
    Module &operator=(Module &&other) noexcept;
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    // Loads the library at `path` (a full path). Check loaded() for the outcome;
    // error() then tells why it failed.
    static Module load(const std::string &path);

    bool loaded() const { return handle_ != nullptr; }
    const std::string &error() const { return error_; }

    // Entry point by name; null when the library does not export it.
    void *resolve(const char *name) const;
    // Entry point by ordinal; null when the library has no such ordinal. Windows
    // looks ordinals up in the export table itself; elsewhere they come from the
    // library's own ordinal table, so a library without one has no ordinals.
    void *resolve(std::uint16_t ordinal) const;

    void unload();

private:
    void *handle_ = nullptr;
    std::string error_;
};

// Full path of the file of the module that contains `address` (any function or
// object of that module); empty when it cannot be told.
std::string module_path_of(const void *address);

// Full path of the running program's own file, whatever it was started as (a name
// found on PATH, a relative path, a symbolic link); empty when it cannot be told.
std::string executable_path();

// The directory part of `path`, without a trailing separator (but "/" and "C:\"
// keep theirs).
std::string directory_of(const std::string &path);

// `name` inside `directory`, joined by this system's separator.
std::string path_in(const std::string &directory, const std::string &name);

// The file name of the shared library `name`: libName.so, or Name.dll on Windows.
std::string library_file_name(const std::string &name);

}  // namespace platform
