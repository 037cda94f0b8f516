#pragma once

#if !defined(_WIN32)
#include <cerrno>
#endif

namespace platform {

// The calling thread's last error code of the operating system: errno, or
// GetLastError() on Windows.
int last_error();

// Leaves `code` as the calling thread's last error, for a caller that reads it
// after a failed call (an entry point that reports failure by its result alone).
void set_last_error(int code);

// The codes for the few failures that the layers above name themselves.
#if defined(_WIN32)
inline constexpr int kErrorInvalidArgument = 87;  // ERROR_INVALID_PARAMETER
inline constexpr int kErrorNotSupported = 50;     // ERROR_NOT_SUPPORTED
inline constexpr int kErrorNoMemory = 8;          // ERROR_NOT_ENOUGH_MEMORY
inline constexpr int kErrorNotReady = 21;         // ERROR_NOT_READY
#else
inline constexpr int kErrorInvalidArgument = EINVAL;
inline constexpr int kErrorNotSupported = ENOTSUP;
inline constexpr int kErrorNoMemory = ENOMEM;
inline constexpr int kErrorNotReady = ENXIO;
#endif

}  // namespace platform
