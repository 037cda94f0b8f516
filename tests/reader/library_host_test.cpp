// The library in a host process of its own, which ends the way hosts end: without
// unloading it (scripting languages, plug-in hosts), or after unloading it and
// loading it again. Either way the process must end cleanly.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

extern char **environ;

namespace {

struct HostRun {
    const char *mode;
};

void PrintTo(const HostRun &run, std::ostream *os) { *os << run.mode; }

class LibraryHost : public ::testing::TestWithParam<HostRun> {};

TEST_P(LibraryHost, EndsCleanly) {
    std::string host = TILVANE_LIBRARY_HOST;
    std::string library = TILVANE_BIN_DIR "/libDrovik.so";
    std::string mode = GetParam().mode;
    char *argv[] = {host.data(), library.data(), mode.data(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, host.c_str(), nullptr, nullptr, argv, environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

INSTANTIATE_TEST_SUITE_P(Process, LibraryHost,
                         ::testing::Values(HostRun{"stay"}, HostRun{"reload"}),
                         [](const auto &info) { return std::string(info.param.mode); });

}  // namespace
