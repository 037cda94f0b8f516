#pragma once

// A fresh directory that the libraries take for the user's state directory (where
// rf_init_com remembers the reader's rate per port), for as long as the object
// lives: a test then starts with no memory and leaves none behind.

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace test_support {

class StateDirectory {
public:
    StateDirectory()
        : path_(std::filesystem::temp_directory_path() /
                ("drovik_state_" + std::to_string(std::random_device()()))) {
        std::filesystem::create_directories(path_);
#if defined(_WIN32)
        _putenv_s("LOCALAPPDATA", path_.string().c_str());
#else
        setenv("XDG_STATE_HOME", path_.c_str(), 1);
#endif
    }
    ~StateDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    StateDirectory(const StateDirectory &) = delete;
    StateDirectory &operator=(const StateDirectory &) = delete;

    const std::filesystem::path &path() const { return path_; }
    // Where the memory of port `port` lives.
    std::filesystem::path rate_file(int port) const {
        return path_ / "drovik" / ("port" + std::to_string(port) + ".rate");
    }

private:
    std::filesystem::path path_;
};

}  // namespace test_support
