#pragma once

// The application's one way to the reader: a table of the library's exports, bound
// by ordinal at start-up (or filled with fakes by the tests). Pages call nothing
// else of the library.

#include <cstdint>
#include <functional>

#include "app/shell/reader_api_entries.h"
#include "drovik.h"

namespace tilvane {

// TILVANE_READER_API_ENTRIES(X) lists X(ordinal, name) for the 72 bound exports,
// in the order they are bound: ordinals 1 to 71, then 100. It is generated from
// the library's export list (reader/exports.list); ordinals 72 to 75 of the
// library are not used by the application.

// One typed pointer per bound export, named exactly like the export.
struct ReaderApi {
#define TILVANE_READER_API_MEMBER(ordinal, name) decltype(&::name) name = nullptr;
    TILVANE_READER_API_ENTRIES(TILVANE_READER_API_MEMBER)
#undef TILVANE_READER_API_MEMBER
};

#define TILVANE_READER_API_COUNT(ordinal, name) +1
inline constexpr int kBoundExportCount = 0 TILVANE_READER_API_ENTRIES(TILVANE_READER_API_COUNT);
#undef TILVANE_READER_API_COUNT

// Looks up an entry point by ordinal; null when there is none.
using OrdinalResolver = std::function<void *(std::uint16_t ordinal)>;

// Fills `api` entry by entry in ascending ordinal order (100 last). Every entry is
// looked up even after a miss, like the start-up of the original program. Returns
// the first ordinal that could not be bound, or 0 when all 72 are bound.
std::uint16_t BindReaderApi(const OrdinalResolver &resolve, ReaderApi &api);

}  // namespace tilvane
