#pragma once

// The reader library's exports as the driver links them, in the table every host
// program speaks to the library through.

#include "binding/reader_api.h"

namespace pcsc {

binding::ReaderApi linked_reader_api();

}  // namespace pcsc
