#pragma once

// What each export of the library takes and returns, as data: the exchange log
// formats a call's arguments from it, and the interface description that scripting
// languages bind by is written from it. Generated from the library's export list.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "binding/export_entries.h"

namespace binding {

enum class ParameterKind : std::uint8_t {
    Value,     // passed by value
    Input,     // a buffer the library reads
    Output,    // a buffer the library writes
    Count,     // the one byte that receives how much was written to an output buffer
    ValueOut,  // one value the library writes through a pointer
    Pointer,   // an untyped pointer
};

enum class ValueType : std::uint8_t { Void, U8, U16, I32, U32 };

struct ParameterDescription {
    std::string_view name;
    ParameterKind kind;
    ValueType type;
    // Input and Output: the buffer's size in bytes, or 0 when the value parameter
    // `related` gives it. Count: 1. ValueOut: the value's size.
    int size;
    // Input and Output: the value parameter that gives the size; Count: the output
    // buffer counted; -1 otherwise.
    int related;
};

struct ExportDescription {
    std::uint16_t ordinal;
    std::string_view name;
    ValueType result;
    std::span<const ParameterDescription> parameters;
};

// Every export, in the list's order (ascending ordinals, 100 last).
const std::array<ExportDescription, kExportCount> &export_descriptions();

// The export of that name; null when there is none.
const ExportDescription *find_export(std::string_view name);

}  // namespace binding
