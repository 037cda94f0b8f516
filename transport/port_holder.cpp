#include "transport/port_holder.h"

#include "platform/device_holders.h"
#include "port_settings.h"

namespace selmek {

std::string port_device(int port) {
    if (port < kFirstPort || port > kLastPort) return {};
    return device_for_port(port);
}

std::string holder_note(const std::string &device) {
    if (device.empty()) return {};
    std::string note;
    for (const platform::DeviceHolder &holder : platform::device_holders(device)) {
        note += (note.empty() ? "(held by " : "; ") + holder.name + ", process " +
                std::to_string(holder.pid);
    }
    return note.empty() ? note : note + ")";
}

}  // namespace selmek
