#include "platform/last_error.h"

#include <cerrno>

namespace platform {

int last_error() { return errno; }

}  // namespace platform
