#pragma once

// Why a connect failed, in the words the status band adds after its own, for a
// port another program holds: that it is in use, and which program holds it.

#include <QString>

#include <cstdint>

namespace tilvane {

// " - the port is in use by another program (held by reader-sim, process 42)";
// empty for any other result of rf_init_com on `com_port`, which the band's own
// text covers.
QString ConnectFailureReason(std::int32_t status, int com_port);

}  // namespace tilvane
