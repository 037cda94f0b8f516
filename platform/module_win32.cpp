// Module loading over the Windows loader. Paths cross the interface as UTF-8 and
// reach the system as UTF-16, so a directory name in any script works.
#include "platform/module.h"

#include <windows.h>

#include "platform/utf16.h"

namespace platform {

namespace {

std::string system_message(DWORD code) {
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.pop_back();
    }
    if (message.empty()) return "error " + std::to_string(code);
    return to_utf8(message);
}

HMODULE handle(void *module) { return static_cast<HMODULE>(module); }

bool is_separator(char c) { return c == '\\' || c == '/'; }

// The file of `module` (null: the program's own). Paths may be longer than
// MAX_PATH; the buffer grows until the name fits.
std::string file_of(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return to_utf8(path);
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

}  // namespace

Module Module::load(const std::string &path) {
    Module module;
    // The library's own directory is searched first for what it imports in turn;
    // no "cannot find" dialog box stops the caller.
    const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module.handle_ = LoadLibraryExW(to_utf16(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD why = GetLastError();
    SetErrorMode(previous_mode);
    if (module.handle_ == nullptr) module.error_ = path + ": " + system_message(why);
    return module;
}

void *Module::resolve(const char *name) const {
    if (handle_ == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<void *>(GetProcAddress(handle(handle_), name));
}

void *Module::resolve(std::uint16_t ordinal) const {
    if (handle_ == nullptr || ordinal == 0) return nullptr;
    return reinterpret_cast<void *>(GetProcAddress(handle(handle_), MAKEINTRESOURCEA(ordinal)));
}

void Module::unload() {
    if (handle_ != nullptr) {
        FreeLibrary(handle(handle_));
        handle_ = nullptr;
    }
}

std::string module_path_of(const void *address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<const wchar_t *>(address), &module)) {
        return {};
    }
    return file_of(module);
}

std::string executable_path() { return file_of(nullptr); }

std::string directory_of(const std::string &path) {
    std::size_t cut = std::string::npos;
    for (std::size_t i = path.size(); i-- > 0;) {
        if (is_separator(path[i])) {
            cut = i;
            break;
        }
    }
    if (cut == std::string::npos) return ".";
    // "C:\Drovik.dll" lies in "C:\", not in "C:", which names the drive's
    // current directory.
    if (cut == 2 && path[1] == ':') return path.substr(0, 3);
    if (cut == 0) return path.substr(0, 1);
    return path.substr(0, cut);
}

std::string path_in(const std::string &directory, const std::string &name) {
    if (!directory.empty() && is_separator(directory.back())) return directory + name;
    return directory + "\\" + name;
}

std::string library_file_name(const std::string &name) { return name + ".dll"; }

}  // namespace platform
