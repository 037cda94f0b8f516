// Feeds arbitrary text to the key dictionary reader; what it reads must read the
// same once written, without a warning.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cardkit/bytes.h"
#include "cardkit/key_dictionary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        const auto dictionary = cardkit::read_key_dictionary(text);
        const auto again =
            cardkit::read_key_dictionary(cardkit::format_key_dictionary(dictionary.keys));
        if (again.keys != dictionary.keys || !again.warnings.empty()) __builtin_trap();
    } catch (const cardkit::FormatError &) {
    }
    return 0;
}
