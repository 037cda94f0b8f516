#include "reader/transport_binding.h"

#include "platform/library_message.h"
#include "reader/library_state.h"

namespace drovik {

namespace {

std::unique_ptr<TransportBinding> g_transport;

template <typename Fn>
Fn bind(const platform::Module &module, const char *name) {
    return reinterpret_cast<Fn>(module.resolve(name));
}

}  // namespace

bool TransportEntryPoints::complete() const {
    return GetCOMDLLVersion && OpenComPort && CloseComPort && OpenLPTPort && CloseLPTPort &&
           CommunicateRFResult && FreeComData && SetCommBaud;
}

TransportBinding::TransportBinding(const TransportEntryPoints &entry_points)
    : entry_(entry_points) {}

std::unique_ptr<TransportBinding> TransportBinding::load(const std::string &path) {
    std::unique_ptr<TransportBinding> binding(new TransportBinding());
    binding->module_ = platform::Module::load(path);
    if (binding->module_.loaded()) {
        const platform::Module &m = binding->module_;
        TransportEntryPoints &e = binding->entry_;
        e.GetCOMDLLVersion = bind<GetCOMDLLVersion_fn>(m, "GetCOMDLLVersion");
        e.OpenComPort = bind<OpenComPort_fn>(m, "OpenComPort");
        e.CloseComPort = bind<CloseComPort_fn>(m, "CloseComPort");
        e.OpenLPTPort = bind<OpenLPTPort_fn>(m, "OpenLPTPort");
        e.CloseLPTPort = bind<CloseLPTPort_fn>(m, "CloseLPTPort");
        e.FreeComData = bind<FreeComData_fn>(m, "FreeComData");
        e.SetCommBaud = bind<SetCommBaud_fn>(m, "SetCommBaud");
        e.CommunicateRFResult = bind<CommunicateRFResult_fn>(m, "CommunicateRFResult");
    }
    if (!binding->entry_.complete()) {
        platform::show_library_message(kTransportLoadFailedMessage);
        binding->entry_ = TransportEntryPoints{};
    }
    return binding;
}

TransportBinding *current_transport() { return g_transport.get(); }

void set_transport(std::unique_ptr<TransportBinding> binding) { g_transport = std::move(binding); }

void library_start() {
    set_library_version(kLibraryVersion);
    g_transport.reset();
    const std::string own_file =
        platform::module_path_of(reinterpret_cast<const void *>(&library_start));
    set_transport(
        TransportBinding::load(platform::directory_of(own_file) + "/" + kTransportFileName));
}

void library_end() { g_transport.reset(); }

}  // namespace drovik
