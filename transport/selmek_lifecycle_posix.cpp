// Start and end of the transport with the process that loads it.

#include "library_lifetime.h"

namespace {

__attribute__((constructor)) void selmek_attach() { selmek::library_start(); }
__attribute__((destructor)) void selmek_detach() { selmek::library_end(); }

}  // namespace
