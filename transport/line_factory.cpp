// The one place where a device name chooses its kind of line.

#include "line.h"
#include "serial_line.h"

namespace selmek {

std::unique_ptr<Line> make_line(const std::string & /*device*/) {
    return std::make_unique<SerialLine>();
}

}  // namespace selmek
