#include "binding/reader_api.h"

#include <type_traits>

namespace binding {

// The list's signature of every export is the one drovik.h declares.
#define BINDING_SAME_AS_HEADER(ordinal, name, result, parameters)               \
    static_assert(std::is_same_v<decltype(ReaderApi::name), decltype(&::name)>, \
                  #name " in exports.list disagrees with drovik.h");
DROVIK_EXPORTS(BINDING_SAME_AS_HEADER)
#undef BINDING_SAME_AS_HEADER

std::vector<std::uint16_t> bind_reader_api(const OrdinalResolver &resolve, ReaderApi &api) {
    std::vector<std::uint16_t> missing;
#define BINDING_BIND_ENTRY(ordinal, name, result, parameters)          \
    api.name = reinterpret_cast<decltype(api.name)>(resolve(ordinal)); \
    if (api.name == nullptr) missing.push_back(ordinal);
    DROVIK_EXPORTS(BINDING_BIND_ENTRY)
#undef BINDING_BIND_ENTRY
    return missing;
}

}  // namespace binding
