#include "platform/last_error.h"

#include <cerrno>

namespace platform {

int last_error() { return errno; }

void set_last_error(int code) { errno = code; }

}  // namespace platform
