#include "cli/reader.h"

#include <csignal>

#include "platform/sleep.h"

namespace rfcard {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void on_interrupt(int) { g_interrupted = 1; }

}  // namespace

void stop_on_interrupt() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

bool interrupt_requested() { return g_interrupted != 0; }

Reader::~Reader() {
    if (connected_) api_.rf_ClosePort();
}

void Reader::connect(std::int32_t port, std::int32_t baud) {
    const std::int32_t result = api_.rf_init_com(port, baud);
    if (result != 0) {
        throw ReaderError("rf_init_com", result,
                          "no reader on port " + std::to_string(port) + " (SELMEK_PORT" +
                              std::to_string(port) + " or ports.conf name its device)");
    }
    connected_ = true;
}

void Reader::power_field(char protocol) {
    RF_CALL(*this, rf_antenna_sta, 0);
    platform::sleep_ms(20);
    RF_CALL(*this, rf_init_type, protocol);
    platform::sleep_ms(20);
    RF_CALL(*this, rf_antenna_sta, 1);
    platform::sleep_ms(50);
}

}  // namespace rfcard
