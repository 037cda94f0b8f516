#include "shell/termination_signals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <csignal>

namespace tilvane {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGHUP};

// The pipe the handler writes to: [0] read by the loop, [1] written by the handler.
int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signal_number) {
    const int saved = errno;
    const char byte = static_cast<char>(signal_number);
    // A full pipe already holds a wake-up: nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) {
    if (g_pipe[0] >= 0) return;  // another object has them
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes of the serial line go on undisturbed; a second signal of
    // the same kind finds the default handling again.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal_number : kSignals) sigaction(signal_number, &action, nullptr);
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::OnPipeReadable);
}

TerminationSignals::~TerminationSignals() {
    if (notifier_ == nullptr) return;
    for (const int signal_number : kSignals) std::signal(signal_number, SIG_DFL);
    delete notifier_;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::OnPipeReadable() {
    char bytes[16];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (received_) return;
    received_ = true;
    emit Received();
}

void EndAsWindowClosed() {
    QApplication::closeAllWindows();
    // Does nothing before the loop runs: the caller then skips it.
    QCoreApplication::quit();
}

}  // namespace tilvane
