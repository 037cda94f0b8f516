#pragma once

// reader-sim as a child process: started with its options, its device path read
// from the first line of its output, ended (SIGTERM, then a wait) when the object
// goes. Its standard input is a pipe held here, so a test that dies takes the
// simulator with it.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace test_support {

class SimProcess {
  public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts `program` with `arguments`; false with `error` set when it does not
    // come up with a device path.
    bool start(const std::string &program, const std::vector<std::string> &arguments,
               std::string &error);
    void stop();
    // The simulator's standard error goes to this file (with --verbose, a line
    // for every frame); set before start.
    void send_log_to(const std::string &path) { log_path_ = path; }

    const std::string &device() const { return device_; }

    // Sends one control command (see reader-sim --help) and returns its answer
    // line; empty when none came within `wait`.
    std::string command(const std::string &line,
                        std::chrono::milliseconds wait = std::chrono::seconds(5));

  private:
    pid_t pid_ = -1;
    int input_ = -1;   // the simulator's standard input, our end
    int output_ = -1;  // its standard output, our end
    std::string device_;
    std::string log_path_;
    std::string unread_;  // output read past the last line taken
};

}  // namespace test_support
