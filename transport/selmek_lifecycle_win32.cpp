// Start and end of the transport on the loader's attach and detach notifications.

#include <windows.h>

#include "library_lifetime.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            selmek::library_start();
            break;
        case DLL_PROCESS_DETACH:
            // When the process ends (reserved is set) its other threads were
            // stopped wherever they were, perhaps holding the port's lock, and
            // the system closes the port itself. Only an unload ends it here.
            if (reserved == nullptr) selmek::library_end();
            break;
        default:
            break;
    }
    return TRUE;
}
