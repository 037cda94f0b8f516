#include <windows.h>

#include <filesystem>
#include <system_error>

#include "platform/user_files.h"
#include "platform/utf16.h"

namespace platform {

std::string user_state_directory() {
    const wchar_t *local = _wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || local[0] == L'\0') return {};
    return to_utf8(local);
}

bool write_file_atomically(const std::string &path, std::string_view content) {
    const std::wstring target = to_utf16(path);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), error);
    const std::wstring temporary = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole =
        content.empty() ||
        (WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size());
    whole = CloseHandle(file) && whole;
    if (whole && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    DeleteFileW(temporary.c_str());
    return false;
}

}  // namespace platform
