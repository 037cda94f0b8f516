#include "driver_log.h"

#include <dlfcn.h>

#include <cstdio>

namespace pcsc {

namespace {

using PcscdLog = void (*)(int priority, const char *format, ...);

PcscdLog pcscd_log() {
    static const PcscdLog log = reinterpret_cast<PcscdLog>(dlsym(RTLD_DEFAULT, "log_msg"));
    return log;
}

}  // namespace

void log_message(LogLevel level, const std::string &text) {
    if (const PcscdLog log = pcscd_log()) {
        log(static_cast<int>(level), "tilvane: %s", text.c_str());
    } else {
        std::fprintf(stderr, "tilvane ifd: %s\n", text.c_str());
    }
}

}  // namespace pcsc
