#include "running_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace test_support {

namespace {

constexpr std::chrono::milliseconds kAskEvery{10};

// A pseudo-terminal's controlling side, and the name of the side the program
// gets; lines as written, no carriage return added before each line end.
int open_terminal(std::string &name) {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) return -1;
    if (grantpt(terminal) != 0 || unlockpt(terminal) != 0) {
        ::close(terminal);
        return -1;
    }
    name = ptsname(terminal);
    termios settings{};
    tcgetattr(terminal, &settings);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(terminal, TCSANOW, &settings);
    return terminal;
}

}  // namespace

RunningProgram::~RunningProgram() {
    if (pid_ > 0) finish(std::chrono::milliseconds(0));
}

bool RunningProgram::start(const std::string &program, const std::vector<std::string> &arguments,
                           std::string &error, ErrorStream error_stream) {
    int in[2], out[2], err[2];
    std::string terminal_name;
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (error_stream == ErrorStream::terminal) {
        // Our end reads what it draws; its end is opened by name in the child.
        err[0] = open_terminal(terminal_name);
        err[1] = -1;
        if (err[0] < 0) {
            error = std::strerror(errno);
            return false;
        }
    } else if (pipe2(err, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    out_.clear();
    err_.clear();
    std::vector<std::string> argv_strings = {program};
    argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (auto &argument : argv_strings) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        const int side =
            terminal_name.empty() ? err[1] : ::open(terminal_name.c_str(), O_RDWR | O_NOCTTY);
        dup2(side, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (err[1] >= 0) ::close(err[1]);
    if (pid_ < 0) {
        error = std::strerror(errno);
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        return false;
    }
    // A program that ended must fail the test that writes to it, not end the run.
    ::signal(SIGPIPE, SIG_IGN);
    input_ = in[1];
    streams_[0] = out[0];
    streams_[1] = err[0];
    return true;
}

void RunningProgram::write_input(const std::string &text) {
    if (input_ < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(input_, text.data(), text.size());
}

void RunningProgram::close_input() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
}

void RunningProgram::signal(int number) {
    if (pid_ > 0) ::kill(pid_, number);
}

bool RunningProgram::take_output(std::chrono::milliseconds wait) {
    pollfd ready[2] = {{streams_[0], POLLIN, 0}, {streams_[1], POLLIN, 0}};
    if (streams_[0] < 0 && streams_[1] < 0) return false;
    if (::poll(ready, 2, static_cast<int>(wait.count())) <= 0) return true;
    std::string *texts[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
        if (streams_[i] < 0 || ready[i].revents == 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(streams_[i], buffer, sizeof buffer);
        if (got > 0) {
            texts[i]->append(buffer, static_cast<std::size_t>(got));
        } else {
            ::close(streams_[i]);
            streams_[i] = -1;
        }
    }
    return true;
}

bool RunningProgram::wait_until(const std::function<bool()> &done, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (!take_output(kAskEvery)) {
            // Both streams ended: nothing more will come but what is on disk.
            if (done()) return true;
            ::poll(nullptr, 0, static_cast<int>(kAskEvery.count()));
        }
    }
    return true;
}

std::vector<std::string> RunningProgram::out_lines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = out_.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(out_.substr(start, end - start));
    return lines;
}

ProgramRun RunningProgram::finish(std::chrono::milliseconds wait) {
    ProgramRun run;
    close_input();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (take_output(kAskEvery)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            run.timed_out = true;
            break;
        }
    }
    for (int &stream : streams_) {
        if (stream >= 0) ::close(stream);
        stream = -1;
    }
    if (pid_ > 0) {
        if (run.timed_out) ::kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        if (!run.timed_out && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    }
    pid_ = -1;
    run.out = out_;
    run.err = err_;
    return run;
}

}  // namespace test_support
