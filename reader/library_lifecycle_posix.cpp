// Start and end of the library with the process that loads it: the counterpart of
// the attach and detach notifications of a Windows library.

#include "transport_binding.h"

namespace {

__attribute__((constructor)) void drovik_attach() { drovik::library_start(); }
__attribute__((destructor)) void drovik_detach() { drovik::library_end(); }

}  // namespace
