#include "common/port_failure.h"

#include "binding/result_meaning.h"
#include "transport/port_holder.h"

namespace tilvane {

QString ConnectFailureReason(std::int32_t status, int com_port) {
    // Only a port another program holds is worth words of its own: the band's own
    // text covers every other failure, as it always has.
    if (!binding::means_port_in_use("rf_init_com", status)) return {};
    std::string reason = " - " + binding::result_meaning("rf_init_com", status).text;
    const std::string note = selmek::holder_note(selmek::port_device(com_port));
    if (!note.empty()) reason += " " + note;
    return QString::fromStdString(reason);
}

}  // namespace tilvane
