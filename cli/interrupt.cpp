#include "interrupt.h"

#include <csignal>

namespace rfcard {

namespace {

// Lock-free (cardwork/reader_session.h checks it), so the handler may set it.
std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_finish{false};
std::atomic<bool> g_finish_first{false};

void on_interrupt(int) {
    if (g_finish_first.load() && !g_finish.exchange(true)) return;
    g_interrupted.store(true);
}

}  // namespace

void stop_on_interrupt() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

const std::atomic<bool> &interrupt_flag() { return g_interrupted; }

void finish_before_interrupting() { g_finish_first.store(true); }

const std::atomic<bool> &finish_flag() { return g_finish; }

}  // namespace rfcard
