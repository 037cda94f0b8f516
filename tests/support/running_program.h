#pragma once

// A program running as a child process while a test acts around it: its
// standard input a pipe the test writes to, its standard output and standard
// error taken in as they come, signals sent to it, its end awaited. A program
// still running when the object goes is killed. Standard error may be a
// terminal instead of a pipe, so the program draws its progress as it would
// for a user.

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

    enum class ErrorStream { pipe, terminal };

    // False with `error` set when it cannot be started.
    bool start(const std::string &program, const std::vector<std::string> &arguments,
               std::string &error, ErrorStream error_stream = ErrorStream::pipe);

    void write_input(const std::string &text);
    void close_input();
    void signal(int number);

    // Takes in its output until `done` holds (asked at least every 10 ms, and
    // after each piece of output) or `wait` passes; whether `done` held.
    bool wait_until(const std::function<bool()> &done, std::chrono::milliseconds wait);
    // The lines of its standard output ended so far.
    std::vector<std::string> out_lines() const;

    // Waits for its end, killing it after `wait`, with all it wrote.
    ProgramRun finish(std::chrono::milliseconds wait);

    const std::string &out() const { return out_; }
    const std::string &err() const { return err_; }

private:
    // Takes in what is there within `wait`; false once both streams ended.
    bool take_output(std::chrono::milliseconds wait);

    pid_t pid_ = -1;
    int input_ = -1;
    int streams_[2] = {-1, -1};  // standard output and error, our ends
    std::string out_, err_;
};

}  // namespace test_support
