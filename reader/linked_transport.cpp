#include "reader/linked_transport.h"

#include <memory>

#include "transport_binding.h"

namespace drovik {

bool bind_linked_transport(const LinkedTransport &transport) {
    TransportEntryPoints entry;
    entry.GetCOMDLLVersion = transport.GetCOMDLLVersion;
    entry.OpenComPort = transport.OpenComPort;
    entry.CloseComPort = transport.CloseComPort;
    entry.OpenLPTPort = transport.OpenLPTPort;
    entry.CloseLPTPort = transport.CloseLPTPort;
    entry.CommunicateRFResult = transport.CommunicateRFResult;
    entry.FreeComData = transport.FreeComData;
    entry.SetCommBaud = transport.SetCommBaud;
    if (!entry.complete()) {
        set_transport(nullptr);
        return false;
    }
    set_transport(std::make_unique<TransportBinding>(entry));
    return true;
}

void unbind_linked_transport() { set_transport(nullptr); }

}  // namespace drovik
