// Module loading over the system's loader: by path, by name, by ordinal, and the
// path of a module's own file, in directories whose names are not ASCII too.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/module.h"
#include "loaded_drovik.h"

namespace {

namespace fs = std::filesystem;

using test_support::drovik_path;

std::string transport_path(const std::string &directory) {
    return platform::path_in(directory, platform::library_file_name("Selmek"));
}

fs::path from_utf8(const std::string &text) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t *>(text.data()), text.size()));
}

std::string to_utf8(const fs::path &path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char *>(text.data()), text.size());
}

TEST(Module, LoadFailureTellsWhy) {
    const auto module = platform::Module::load(drovik_path(platform::path_in(
        test_support::missing_transport_dir(), "nonexistent")));
    EXPECT_FALSE(module.loaded());
    EXPECT_NE(module.error().find("nonexistent"), std::string::npos) << module.error();
    EXPECT_EQ(module.resolve("anything"), nullptr);
    EXPECT_EQ(module.resolve(std::uint16_t{1}), nullptr);
}

TEST(Module, ResolvesByNameAndByOrdinalAndUnloadsOnMove) {
    auto module = platform::Module::load(drovik_path(test_support::fake_transport_dir()));
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

#if !defined(_WIN32)
TEST(Module, OrdinalsNeedTheLibrarysTable) {
    // The transport exports by name only.
    auto module = platform::Module::load(transport_path(test_support::fake_transport_dir()));
    ASSERT_TRUE(module.loaded()) << module.error();
    EXPECT_NE(module.resolve("OpenComPort"), nullptr);
    EXPECT_EQ(module.resolve(std::uint16_t{1}), nullptr);
}
#endif

TEST(ModulePath, FindsTheFileOfTheModuleHoldingAnAddress) {
    const std::string path = drovik_path(test_support::fake_transport_dir());
    auto module = platform::Module::load(path);
    ASSERT_TRUE(module.loaded());
    EXPECT_TRUE(fs::equivalent(from_utf8(platform::module_path_of(module.resolve("lib_ver"))),
                               from_utf8(path)));
}

// The library and its transport copied into a directory named in several
// scripts: the library loads, finds its own file there and binds the transport
// beside it (it would say so on standard error otherwise).
TEST(ModulePath, WorksInADirectoryWhoseNameIsNotAscii) {
    const fs::path directory =
        fs::temp_directory_path() /
        from_utf8("Lesegerät читатель 読み取り " + std::to_string(std::random_device()()));
    fs::create_directories(directory);
    const std::string dir = to_utf8(directory);
    fs::copy_file(from_utf8(drovik_path(test_support::fake_transport_dir())),
                  from_utf8(drovik_path(dir)));
    fs::copy_file(from_utf8(transport_path(test_support::fake_transport_dir())),
                  from_utf8(transport_path(dir)));
    {
        ::testing::internal::CaptureStderr();
        auto module = platform::Module::load(drovik_path(dir));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        ASSERT_TRUE(module.loaded()) << module.error();
        EXPECT_EQ(platform::directory_of(platform::module_path_of(module.resolve("lib_ver"))),
                  platform::directory_of(drovik_path(dir)));
    }
    fs::remove_all(directory);
}

struct Split {
    const char *path;
    const char *directory;
};

#if defined(_WIN32)
const Split kSplits[] = {
    {"C:\\Program Files\\Tilvane\\Drovik.dll", "C:\\Program Files\\Tilvane"},
    {"C:/Program Files/Tilvane/Drovik.dll", "C:/Program Files/Tilvane"},
    {"C:\\Tilvane/Drovik.dll", "C:\\Tilvane"},
    {"C:\\Drovik.dll", "C:\\"},
    {"\\\\server\\share\\Drovik.dll", "\\\\server\\share"},
    {"Drovik.dll", "."},
};
#else
const Split kSplits[] = {
    {"/usr/lib/libDrovik.so", "/usr/lib"},
    {"/libDrovik.so", "/"},
    {"libDrovik.so", "."},
};
#endif

TEST(ModulePath, ExecutablePathNamesTheRunningProgramsFile) {
    const fs::path path = from_utf8(platform::executable_path());
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_EQ(path.stem(), "platform_tests") << path;
}

TEST(ModulePath, DirectoryDropsTheLastComponent) {
    for (const Split &split : kSplits) {
        EXPECT_EQ(platform::directory_of(split.path), split.directory) << split.path;
    }
    EXPECT_EQ(platform::path_in(platform::directory_of(kSplits[0].path),
                                platform::library_file_name("Drovik")),
              kSplits[0].path);
}

}  // namespace
