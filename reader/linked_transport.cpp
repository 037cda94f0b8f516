#include "reader/linked_transport.h"

#include <memory>

#include "transport_binding.h"

namespace drovik {

bool bind_linked_transport(const LinkedTransport &transport) {
    if (!transport.complete()) {
        set_transport(nullptr);
        return false;
    }
    set_transport(std::make_unique<TransportBinding>(transport));
    return true;
}

void unbind_linked_transport() { set_transport(nullptr); }

}  // namespace drovik
