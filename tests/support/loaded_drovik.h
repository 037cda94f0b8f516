#pragma once

// Loads the built library the way an application does (from a chosen directory)
// and hands out its exports by name or by ordinal.

#include <gtest/gtest.h>

#include <string>

#include "drovik.h"
#include "platform/module.h"

namespace test_support {

// Directories that hold a copy of libDrovik.so: beside the fake transport, beside
// no transport at all, and beside a transport that lacks an entry point.
std::string fake_transport_dir();
std::string missing_transport_dir();
std::string partial_transport_dir();

// The library's file in `directory` (libDrovik.so, Drovik.dll).
std::string drovik_path(const std::string &directory);

class LoadedDrovik {
public:
    explicit LoadedDrovik(const std::string &directory);

    const platform::Module &module() const { return module_; }

    template <typename Fn>
    Fn get(const char *name) const {
        void *address = module_.resolve(name);
        EXPECT_NE(address, nullptr) << "libDrovik.so does not export " << name;
        return reinterpret_cast<Fn>(address);
    }

private:
    platform::Module module_;
};

}  // namespace test_support

// The export `name` of the loaded library `lib`, typed by the public header.
#define DROVIK_EXPORT(lib, name) ((lib).get<decltype(&::name)>(#name))
