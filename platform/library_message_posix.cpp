#include "platform/library_message.h"

#include <cstdio>

namespace platform {

void show_library_message(const char *text) {
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    std::fflush(stderr);
}

}  // namespace platform
