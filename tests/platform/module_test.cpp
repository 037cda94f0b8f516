// Module loading over the dynamic linker: by path, by name, by ordinal, and the
// path of a module's own file.

#include <gtest/gtest.h>

#include "platform/module.h"
#include "tests/support/loaded_drovik.h"

namespace {

TEST(Module, LoadFailureTellsWhy) {
    const auto module = platform::Module::load("/nonexistent/libNothing.so");
    EXPECT_FALSE(module.loaded());
    EXPECT_NE(module.error().find("libNothing.so"), std::string::npos);
    EXPECT_EQ(module.resolve("anything"), nullptr);
    EXPECT_EQ(module.resolve(std::uint16_t{1}), nullptr);
}

TEST(Module, ResolvesByNameAndByOrdinalAndUnloadsOnMove) {
    auto module = platform::Module::load(test_support::fake_transport_dir() + "/libDrovik.so");
    ASSERT_TRUE(module.loaded()) << module.error();
    void *by_name = module.resolve("lib_ver");
    ASSERT_NE(by_name, nullptr);
    EXPECT_EQ(module.resolve(std::uint16_t{1}), by_name);
    EXPECT_EQ(module.resolve("no_such_export"), nullptr);

    platform::Module moved = std::move(module);
    EXPECT_FALSE(module.loaded());
    EXPECT_EQ(moved.resolve("lib_ver"), by_name);
    moved.unload();
    EXPECT_FALSE(moved.loaded());
}

TEST(Module, OrdinalsNeedTheLibrarysTable) {
    // The transport exports by name only.
    auto module = platform::Module::load(test_support::fake_transport_dir() + "/libSelmek.so");
    ASSERT_TRUE(module.loaded()) << module.error();
    EXPECT_NE(module.resolve("OpenComPort"), nullptr);
    EXPECT_EQ(module.resolve(std::uint16_t{1}), nullptr);
}

TEST(ModulePath, FindsTheFileOfTheModuleHoldingAnAddress) {
    auto module = platform::Module::load(test_support::fake_transport_dir() + "/libDrovik.so");
    ASSERT_TRUE(module.loaded());
    EXPECT_EQ(platform::module_path_of(module.resolve("lib_ver")),
              test_support::fake_transport_dir() + "/libDrovik.so");
}

TEST(ModulePath, ExecutablePathNamesTheRunningProgramsFile) {
    const std::string path = platform::executable_path();
    EXPECT_TRUE(path.starts_with("/") && path.ends_with("/platform_tests")) << path;
}

TEST(ModulePath, DirectoryDropsTheLastComponent) {
    EXPECT_EQ(platform::directory_of("/usr/lib/libDrovik.so"), "/usr/lib");
    EXPECT_EQ(platform::directory_of("/libDrovik.so"), "/");
    EXPECT_EQ(platform::directory_of("libDrovik.so"), ".");
}

}  // namespace
