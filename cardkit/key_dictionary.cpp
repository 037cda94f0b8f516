#include "cardkit/key_dictionary.h"

#include <algorithm>
#include <array>
#include <set>

#include "cardkit/bytes.h"
#include "text_lines.h"

namespace cardkit {

KeyDictionary read_key_dictionary(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    KeyDictionary dictionary;
    std::set<MifareKey> seen;  // large dictionaries stay quick to read
    const auto lines = split_lines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view entry = trim(lines[i].substr(0, lines[i].find('#')));
        if (entry.empty()) continue;
        const auto bytes = parse_hex(entry);
        if (!bytes || bytes->size() != 6) {
            dictionary.warnings.push_back(line_prefix(i) + "\"" + std::string(entry.substr(0, 40)) +
                                          "\" is not a key of 12 hex digits; skipped");
            continue;
        }
        MifareKey key;
        std::copy(bytes->begin(), bytes->end(), key.begin());
        if (seen.insert(key).second) dictionary.keys.push_back(key);
    }
    if (dictionary.keys.empty()) {
        throw FormatError(
            dictionary.warnings.empty()
                ? "no key in the file"
                : "no key in the file (" + std::to_string(dictionary.warnings.size()) +
                      " lines are not keys; the first: " + dictionary.warnings.front() + ")");
    }
    return dictionary;
}

std::vector<MifareKey> parse_key_dictionary(std::string_view text) {
    return read_key_dictionary(text).keys;
}

std::string format_key_dictionary(std::span<const MifareKey> keys) {
    std::string text;
    for (const MifareKey &key : keys) text += to_hex(key) + "\n";
    return text;
}

std::span<const MifareKey> default_keys() {
    static constexpr std::array<MifareKey, 10> kKeys = {{
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // factory and transport
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
        {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5},  // application directory, key A
        {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5},
        {0xD3, 0xF7, 0xD3, 0xF7, 0xD3, 0xF7},  // NFC data, key A
        {0x4D, 0x3A, 0x99, 0xC3, 0x51, 0xDD},
        {0x1A, 0x98, 0x2C, 0x7E, 0x45, 0x9A},
        {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF},
        {0x71, 0x4C, 0x5C, 0x88, 0x6E, 0x97},
        {0x58, 0x7E, 0xE5, 0xF9, 0x35, 0x0F},
    }};
    return kKeys;
}

}  // namespace cardkit
