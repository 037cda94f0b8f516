#pragma once

namespace platform {

// The calling thread's last error code of the operating system (errno here).
int last_error();

}  // namespace platform
