#pragma once

// For a program that links the library's code (drovik_core) instead of loading
// libDrovik.so, such as the PC/SC driver: the exports then reach the reader
// through entry points of the program's own, with the signatures of selmek.h,
// in place of a libSelmek.so loaded from beside the library.

#include "selmek.h"

namespace drovik {

// The transport's eight entry points, whether bound by name from libSelmek.so or
// given by a program that links the transport in.
struct TransportEntryPoints {
    GetCOMDLLVersion_fn GetCOMDLLVersion = nullptr;
    OpenComPort_fn OpenComPort = nullptr;
    CloseComPort_fn CloseComPort = nullptr;
    OpenLPTPort_fn OpenLPTPort = nullptr;
    CloseLPTPort_fn CloseLPTPort = nullptr;
    CommunicateRFResult_fn CommunicateRFResult = nullptr;
    FreeComData_fn FreeComData = nullptr;
    SetCommBaud_fn SetCommBaud = nullptr;

    // Every one of them set.
    bool complete() const;
};
using LinkedTransport = TransportEntryPoints;

// Binds every export to `transport` for the whole process, in place of any
// binding before. Returns false, and leaves the exports unbound (each then
// returns DROVIK_ERR_NO_TRANSPORT), when an entry point is missing. Call it while
// no export runs.
bool bind_linked_transport(const LinkedTransport &transport);

// Drops the binding: the exports return DROVIK_ERR_NO_TRANSPORT. Call it while no
// export runs.
void unbind_linked_transport();

}  // namespace drovik
