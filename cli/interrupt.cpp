#include "interrupt.h"

#include <csignal>

namespace rfcard {

namespace {

// Lock-free (cardwork/reader_session.h checks it), so the handler may set it.
std::atomic<bool> g_interrupted{false};

void on_interrupt(int) { g_interrupted.store(true); }

}  // namespace

void stop_on_interrupt() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

const std::atomic<bool> &interrupt_flag() { return g_interrupted; }

}  // namespace rfcard
