#include "transport_binding.h"

#include <utility>

#include "library_state.h"
#include "platform/library_message.h"

namespace drovik {

namespace {

// A plain pointer, not an object with a destructor: an owner destroyed by the
// process's exit handlers would tear the binding down a second time after (or
// before) library_end, which is its one owner's end.
TransportBinding *g_transport = nullptr;

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

TransportBinding *current_transport() { return g_transport; }

void set_transport(std::unique_ptr<TransportBinding> binding) {
    delete std::exchange(g_transport, binding.release());
}

void library_start() {
    set_library_version(kLibraryVersion);
    set_transport(nullptr);
    const std::string own_file =
        platform::module_path_of(reinterpret_cast<const void *>(&library_start));
    set_transport(TransportBinding::load(platform::path_in(
        platform::directory_of(own_file), platform::library_file_name(kTransportName))));
}

void library_end() { set_transport(nullptr); }

}  // namespace drovik
