#include "app/shell/reader_api.h"

namespace tilvane {

std::uint16_t BindReaderApi(const OrdinalResolver &resolve, ReaderApi &api) {
    std::uint16_t first_missing = 0;
#define TILVANE_BIND_ENTRY(ordinal, name)                              \
    api.name = reinterpret_cast<decltype(api.name)>(resolve(ordinal)); \
    if (api.name == nullptr && first_missing == 0) first_missing = ordinal;
    TILVANE_READER_API_ENTRIES(TILVANE_BIND_ENTRY)
#undef TILVANE_BIND_ENTRY
    return first_missing;
}

}  // namespace tilvane
