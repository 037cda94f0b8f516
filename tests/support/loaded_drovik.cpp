#include "loaded_drovik.h"

namespace test_support {

std::string fake_transport_dir() { return TILVANE_FAKE_TRANSPORT_DIR; }
std::string missing_transport_dir() { return TILVANE_MISSING_TRANSPORT_DIR; }
std::string partial_transport_dir() { return TILVANE_PARTIAL_TRANSPORT_DIR; }

std::string drovik_path(const std::string &directory) {
    return platform::path_in(directory, platform::library_file_name("Drovik"));
}

LoadedDrovik::LoadedDrovik(const std::string &directory)
    : module_(platform::Module::load(drovik_path(directory))) {
    EXPECT_TRUE(module_.loaded()) << module_.error();
}

}  // namespace test_support
