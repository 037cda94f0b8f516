#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace test_support {

namespace {

constexpr int kStartMilliseconds = 5000;

}  // namespace

SimProcess::~SimProcess() {
    stop();
}

bool SimProcess::start(const std::string &program, const std::vector<std::string> &arguments,
                       std::string &error) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    std::vector<std::string> argv_strings = {program};
    argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (auto &argument : argv_strings) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    if (pid_ == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        if (!log_path_.empty()) {
            const int log = ::open(log_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (log >= 0) dup2(log, STDERR_FILENO);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];

    // The first line of its output is the device path.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartMilliseconds);
    std::string line;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd ready{output_, POLLIN, 0};
        if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0) {
            error = "reader-sim printed no device path";
            stop();
            return false;
        }
        char buffer[256];
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got <= 0) {
            error = "reader-sim ended before printing its device path";
            stop();
            return false;
        }
        line.append(buffer, static_cast<std::size_t>(got));
    }
    device_ = line.substr(0, line.find('\n'));
    unread_ = line.substr(line.find('\n') + 1);
    return true;
}

std::string SimProcess::command(const std::string &line, std::chrono::milliseconds wait) {
    // A simulator that died fails the test that talks to it, not the whole run.
    static const bool pipe_signal_ignored = signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)pipe_signal_ignored;
    const std::string text = line + "\n";
    if (input_ < 0 || ::write(input_, text.data(), text.size()) != ssize_t(text.size())) return {};
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (unread_.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd ready{output_, POLLIN, 0};
        char buffer[256];
        ssize_t got = 0;
        if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0 ||
            (got = ::read(output_, buffer, sizeof buffer)) <= 0) {
            return {};
        }
        unread_.append(buffer, static_cast<std::size_t>(got));
    }
    const std::string answer = unread_.substr(0, unread_.find('\n'));
    unread_.erase(0, answer.size() + 1);
    return answer;
}

void SimProcess::stop() {
    if (input_ >= 0) ::close(input_);
    if (output_ >= 0) ::close(output_);
    input_ = output_ = -1;
    unread_.clear();
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

}  // namespace test_support
