// The one place where a device name chooses its kind of line.

#include "line.h"
#include "network_address.h"
#include "network_line.h"
#include "serial_line.h"

namespace selmek {

std::unique_ptr<Line> make_line(const std::string &device, const WaitSettings &waits) {
    if (looks_like_network_address(device)) {
        return std::make_unique<NetworkLine>(waits.connect_wait, waits.network_allowance);
    }
    return std::make_unique<SerialLine>();
}

}  // namespace selmek
