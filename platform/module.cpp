// What a loaded module is, on every system; loading and lookup are in
// module_posix.cpp and module_win32.cpp.
#include "platform/module.h"

#include <utility>

namespace platform {

Module::~Module() { unload(); }

Module::Module(Module &&other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

Module &Module::operator=(Module &&other) noexcept {
    if (this != &other) {
        unload();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

}  // namespace platform
