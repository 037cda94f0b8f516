#pragma once

#include <memory>
#include <string>

#include "platform/module.h"
#include "reader/linked_transport.h"
#include "selmek.h"

namespace drovik {

// The transport library loaded for this process and its entry points. A library
// that loaded stays loaded until the binding is destroyed, even when an entry
// point was missing.
class TransportBinding {
public:
    // Loads the library at `path` and binds the eight entry points by name. On any
    // failure shows the library's load-failure message and leaves all of them null.
    static std::unique_ptr<TransportBinding> load(const std::string &path);

    // A binding to entry points that live in the calling program (harnesses).
    explicit TransportBinding(const TransportEntryPoints &entry_points);

    const TransportEntryPoints &entry() const { return entry_; }
    bool bound() const { return entry_.complete(); }

private:
    TransportBinding() = default;

    platform::Module module_;
    TransportEntryPoints entry_;
};

inline constexpr const char *kTransportName = "Selmek";  // libSelmek.so, Selmek.dll
inline constexpr const char *kTransportLoadFailedMessage = "Load Halvorn.dll failed !";

// The process-wide owner of the binding. Null before start and after end;
// library_end (or set_transport) is the only place that destroys a binding, so
// the end may run before or after any exit handler of the process.
TransportBinding *current_transport();
void set_transport(std::unique_ptr<TransportBinding> binding);

// Library start: version 2, then a fresh binding of the transport beside this
// library's own file. Library end: the binding goes, and the transport with it.
void library_start();
void library_end();

}  // namespace drovik
