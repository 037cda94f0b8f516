#include "platform/last_error.h"

#include <windows.h>

namespace platform {

int last_error() { return static_cast<int>(GetLastError()); }

void set_last_error(int code) { SetLastError(static_cast<DWORD>(code)); }

}  // namespace platform
