#include "ser2net_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace test_support {

namespace {

using namespace std::chrono_literals;

std::uint16_t free_port() {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    std::uint16_t port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(probe);
    return port;
}

// Whether something listens on 127.0.0.1:`port`, from the kernel's table:
// connecting to find out would make ser2net open the device.
bool listening(std::uint16_t port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A") return true;
    }
    return false;
}

}  // namespace

Ser2netProcess::~Ser2netProcess() {
    stop();
    if (!config_path_.empty()) std::remove(config_path_.c_str());
}

std::string Ser2netProcess::program() {
    for (const char *path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/sbin/ser2net"}) {
        if (access(path, X_OK) == 0) return path;
    }
    return {};
}

bool Ser2netProcess::start(const std::string &device, Kind kind, std::int32_t rate,
                           std::string &error, std::uint16_t port) {
    stop();
    const std::string ser2net = program();
    if (ser2net.empty()) {
        error = "ser2net is not installed";
        return false;
    }
    kind_ = kind;
    port_ = port != 0 ? port : free_port();
    config_path_ = (std::filesystem::temp_directory_path() /
                    ("ser2net_" + std::to_string(getpid()) + "_" + std::to_string(port_) + ".yaml"))
                       .string();
    {
        std::ofstream config(config_path_);
        config << "%YAML 1.1\n---\n"
               << "connection: &reader\n"
               << "  accepter: " << (kind == Kind::rfc2217 ? "telnet(rfc2217),tcp" : "tcp")
               << ",127.0.0.1," << port_ << "\n"
               << "  connector: serialdev," << device << "," << rate << "n81,local\n"
               << "  options:\n"
               // Each answer goes on as it comes, not after a wait for more.
               << "    chardelay: false\n"
               << "    kickolduser: true\n";
    }
    pid_ = fork();
    if (pid_ < 0) {
        error = "fork failed";
        return false;
    }
    if (pid_ == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execl(ser2net.c_str(), ser2net.c_str(), "-n", "-d", "-u", "-c", config_path_.c_str(),
              static_cast<char *>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!listening(port_)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            error = "ser2net ended before its port accepted";
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "ser2net's port did not accept within 5 s";
            stop();
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

void Ser2netProcess::stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGCONT);
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    pid_ = -1;
}

void Ser2netProcess::pause() {
    if (pid_ > 0) kill(pid_, SIGSTOP);
}

void Ser2netProcess::resume() {
    if (pid_ > 0) kill(pid_, SIGCONT);
}

std::string Ser2netProcess::address() const {
    return std::string(kind_ == Kind::rfc2217 ? "rfc2217" : "tcp") +
           "://127.0.0.1:" + std::to_string(port_);
}

}  // namespace test_support
