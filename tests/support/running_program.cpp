#include "running_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace test_support {

RunningProgram::~RunningProgram() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (const int descriptor : {output_, error_}) {
        if (descriptor >= 0) ::close(descriptor);
    }
}

bool RunningProgram::start(const std::string &program, const std::vector<std::string> &arguments,
                           const std::string &input) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) return false;
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return false;
    const std::string terminal_name = ptsname(terminal);
    // Lines as written: no carriage return added before each line end.
    termios settings{};
    tcgetattr(terminal, &settings);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(terminal, TCSANOW, &settings);

    std::vector<std::string> argv_strings = {program};
    argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (auto &argument : argv_strings) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        const int side = ::open(terminal_name.c_str(), O_RDWR | O_NOCTTY);
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(side, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    output_ = out[0];
    error_ = terminal;
    if (pid_ < 0) {
        ::close(in[1]);
        return false;
    }
    // The input is small: it fits the pipe, so writing it all first cannot block.
    ::signal(SIGPIPE, SIG_IGN);
    [[maybe_unused]] const ssize_t written = ::write(in[1], input.data(), input.size());
    ::close(in[1]);
    return true;
}

void RunningProgram::read_some(std::chrono::milliseconds wait) {
    pollfd streams[2] = {{output_, POLLIN, 0}, {error_, POLLIN, 0}};
    int *descriptors[2] = {&output_, &error_};
    std::string *texts[2] = {&run_.out, &run_.err};
    if (::poll(streams, 2, static_cast<int>(wait.count())) <= 0) return;
    for (int i = 0; i < 2; ++i) {
        if (streams[i].fd < 0 || streams[i].revents == 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
        if (got > 0) {
            texts[i]->append(buffer, static_cast<std::size_t>(got));
        } else {
            // A terminal whose last other user is gone reads as an error (EIO).
            ::close(*descriptors[i]);
            *descriptors[i] = -1;
        }
    }
}

bool RunningProgram::wait_for_error(const std::function<bool(const std::string &)> &seen,
                                    std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!seen(run_.err)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !output_open()) return false;
        read_some(left);
    }
    return true;
}

void RunningProgram::signal(int number) {
    if (pid_ > 0) kill(pid_, number);
}

ProgramRun RunningProgram::finish(std::chrono::milliseconds time_allowed) {
    const auto deadline = std::chrono::steady_clock::now() + time_allowed;
    int status = 0;
    bool ended = false;
    while (!ended) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run_.timed_out = true;
            kill(pid_, SIGKILL);
        }
        // The terminal stays open while anything holds its other side: the end of
        // the program, not of its output, ends the wait.
        if (output_open()) read_some(std::chrono::milliseconds(20));
        ended = waitpid(pid_, &status, output_open() && !run_.timed_out ? WNOHANG : 0) == pid_;
    }
    // What it wrote last; a grandchild holding its output gets a few seconds.
    const auto drained = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (output_open() && std::chrono::steady_clock::now() < drained)
        read_some(std::chrono::milliseconds(100));
    pid_ = -1;
    if (!run_.timed_out && WIFEXITED(status)) run_.status = WEXITSTATUS(status);
    return run_;
}

}  // namespace test_support
