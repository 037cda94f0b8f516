#include "common/port_failure.h"

#include "binding/result_meaning.h"
#include "transport/port_holder.h"

namespace tilvane {

QString ConnectFailureReason(std::int32_t status, int com_port) {
    const binding::ResultMeaning meaning = binding::result_meaning("rf_init_com", status);
    if (meaning.kind != binding::ResultClass::SystemError) return {};
    std::string reason = " - " + meaning.text;
    if (binding::means_port_in_use("rf_init_com", status)) {
        const std::string note = selmek::holder_note(selmek::port_device(com_port));
        if (!note.empty()) reason += " " + note;
    }
    return QString::fromStdString(reason);
}

}  // namespace tilvane
