#pragma once

// A host program's way to the reader library: a table of typed entry points, one
// per export and named exactly like it, filled by ordinal from the loaded library
// (or with fakes by tests).

#include <cstdint>
#include <functional>
#include <vector>

#include "binding/export_entries.h"
#include "drovik.h"

namespace binding {

struct ReaderApi {
#define BINDING_API_MEMBER(ordinal, name, result, parameters) \
    result(DROVIK_CALL *name) parameters = nullptr;
    DROVIK_EXPORTS(BINDING_API_MEMBER)
#undef BINDING_API_MEMBER
};

// Looks up an entry point by ordinal; null when there is none.
using OrdinalResolver = std::function<void *(std::uint16_t ordinal)>;

// Fills `api` entry by entry in the list's order (ascending ordinals, 100 last),
// every entry looked up even after a miss. Returns the ordinals that could not be
// bound, in that order; their entries are null.
std::vector<std::uint16_t> bind_reader_api(const OrdinalResolver &resolve, ReaderApi &api);

}  // namespace binding
