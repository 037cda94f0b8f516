#pragma once

// pcsc-lite's driver interface (IFD handler version 3): its types, tags and result
// codes. The header declares the entry points without C linkage for C++.

extern "C" {
#include <ifdhandler.h>
#include <reader.h>
}
