#include "platform/library_message.h"

#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "platform/utf16.h"

namespace platform {

namespace {

// A console program, or one whose standard error goes to a file or a pipe.
bool has_error_stream() {
    const int fd = _fileno(stderr);
    if (fd < 0) return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
           reinterpret_cast<std::intptr_t>(handle) != -2 &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

struct Box {
    HMODULE module;  // held for as long as the box is up
    std::wstring text;
};

DWORD WINAPI show_box(void *parameter) {
    Box *const box = static_cast<Box *>(parameter);
    const HMODULE module = box->module;
    MessageBoxW(nullptr, box->text.c_str(), nullptr, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    delete box;
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

void show_library_message(const char *text) {
    const std::string line = text != nullptr ? text : "";
    if (has_error_stream()) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
        return;
    }
    // The loader holds its lock while a library starts, and a box shown under it
    // can hang the process. The box waits on a thread of its own, which the
    // system starts only once the lock is released; the reference it holds keeps
    // this code loaded until the box is closed, even if the host unloads us.
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<const wchar_t *>(&show_box), &module)) {
        return;
    }
    Box *const box = new (std::nothrow) Box{module, to_utf16(line)};
    HANDLE thread = box != nullptr ? CreateThread(nullptr, 0, show_box, box, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        delete box;
        FreeLibrary(module);
        return;
    }
    CloseHandle(thread);
}

}  // namespace platform
