// Start and end of the library with the process that loads it, on the loader's
// attach and detach notifications.

#include <windows.h>

#include "transport_binding.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            drovik::library_start();
            break;
        case DLL_PROCESS_DETACH:
            // When the process ends (reserved is set) other threads are gone and
            // other libraries may be detached already: unloading the transport
            // then could touch what no longer exists, and the system releases
            // everything anyway. Only an unload by the host ends the binding.
            if (reserved == nullptr) drovik::library_end();
            break;
        default:
            break;
    }
    return TRUE;
}
