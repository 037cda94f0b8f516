#include "library_state.h"

#include <atomic>

namespace drovik {

namespace {
std::uint32_t g_library_version = 0;
// Written by whichever thread finishes a command, read by any.
std::atomic<std::uint32_t> g_last_status{0};
}  // namespace

std::uint32_t library_version() { return g_library_version; }
void set_library_version(std::uint32_t version) { g_library_version = version; }

std::uint32_t last_status() { return g_last_status.load(std::memory_order_relaxed); }
void set_last_status(std::uint32_t status) {
    g_last_status.store(status, std::memory_order_relaxed);
}

}  // namespace drovik
