#pragma once

// A program started as a child process and left running, for tests that act
// while it works: its standard error is a terminal, so it draws its progress as
// it would for a user, and what it draws is read as it comes; then it can be
// signalled, and waited for to its end. A program still running when the
// object goes is killed.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "program_run.h"

namespace test_support {

class RunningProgram {
  public:
    RunningProgram() = default;
    ~RunningProgram();
    RunningProgram(const RunningProgram &) = delete;
    RunningProgram &operator=(const RunningProgram &) = delete;

    // Starts `program` with `arguments`, `input` on its standard input (which is
    // then closed). False when it could not be started.
    bool start(const std::string &program, const std::vector<std::string> &arguments,
               const std::string &input = {});

    // Reads its output until `seen` holds for all it has written to standard
    // error so far; false when it ended or `wait` passed first.
    bool wait_for_error(const std::function<bool(const std::string &)> &seen,
                        std::chrono::milliseconds wait);

    void signal(int number);

    // Reads to its end (killing it when `time_allowed` passes first) and returns
    // what it wrote and its exit status.
    ProgramRun finish(std::chrono::milliseconds time_allowed = std::chrono::seconds(60));

  private:
    // One round of reading what is there, waiting at most `wait`.
    void read_some(std::chrono::milliseconds wait);
    bool output_open() const { return output_ >= 0 || error_ >= 0; }

    pid_t pid_ = -1;
    int output_ = -1;  // its standard output, our end of the pipe
    int error_ = -1;   // its standard error, the terminal's controlling side
    ProgramRun run_;
};

}  // namespace test_support
