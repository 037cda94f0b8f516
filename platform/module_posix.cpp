#include "platform/module.h"

#include <dlfcn.h>
#include <unistd.h>

namespace platform {

Module Module::load(const std::string &path) {
    Module module;
    // RTLD_LOCAL keeps two copies of one library (different directories) apart.
    module.handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module.handle_ == nullptr) {
        const char *why = dlerror();
        module.error_ = why != nullptr ? why : "cannot load " + path;
    }
    return module;
}

void *Module::resolve(const char *name) const {
    if (handle_ == nullptr || name == nullptr) return nullptr;
    return dlsym(handle_, name);
}

void *Module::resolve(std::uint16_t ordinal) const {
    if (ordinal == 0) return nullptr;
    const auto *table = static_cast<const OrdinalExport *>(resolve(kOrdinalTableSymbol));
    if (table == nullptr) return nullptr;
    for (; table->ordinal != 0; ++table) {
        if (table->ordinal == ordinal) return resolve(table->name);
    }
    return nullptr;
}

void Module::unload() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

std::string module_path_of(const void *address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

std::string executable_path() {
    // argv[0] and dladdr on the program name it as it was started, not where it is.
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
    path.resize(static_cast<std::size_t>(length));
    return path;
}

std::string directory_of(const std::string &path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string path_in(const std::string &directory, const std::string &name) {
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

std::string library_file_name(const std::string &name) { return "lib" + name + ".so"; }

}  // namespace platform
