#include "common/app_state.h"

#include "common/baud_table.h"
#include "platform/sleep.h"

namespace tilvane {

AppState::AppState(QObject *parent) : QObject(parent), sleep_ms(platform::sleep_ms) {}

void AppState::set_connected(bool connected) {
    if (connected_ == connected) return;
    connected_ = connected;
    emit connection_changed(connected);
}

std::int32_t AppState::baud() const {
    return BaudRateOf(baud_rate);
}

std::int32_t AppState::OpenPort() {
    const std::int32_t status = api.rf_init_com(com_port, baud());
    if (status != 0) api.rf_ClosePort();
    set_connected(status == 0);
    return status;
}

void AppState::ClosePort() {
    api.rf_ClosePort();
    set_connected(false);
}

bool AppState::ClaimReader(const QString &holder) {
    if (reader_busy() || holder.isEmpty()) return false;
    reader_holder_ = holder;
    emit reader_busy_changed(true);
    return true;
}

void AppState::ReleaseReader() {
    if (!reader_busy()) return;
    reader_holder_.clear();
    emit reader_busy_changed(false);
}

}  // namespace tilvane
