#include "linked_library.h"

namespace pcsc {

binding::ReaderApi linked_reader_api() {
    binding::ReaderApi api;
#define PCSC_LINK_EXPORT(ordinal, name, result, parameters) api.name = &::name;
    DROVIK_EXPORTS(PCSC_LINK_EXPORT)
#undef PCSC_LINK_EXPORT
    return api;
}

}  // namespace pcsc
