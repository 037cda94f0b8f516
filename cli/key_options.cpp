#include "key_options.h"

#include <CLI/CLI.hpp>

#include <unordered_set>

#include "cardkit/key_dictionary.h"
#include "dump_files.h"

namespace rfcard {

namespace {

// Warnings shown for one dictionary; a file of many bad lines says how many more.
constexpr std::size_t kWarningsShown = 5;

std::uint64_t as_number(const cardkit::MifareKey &key) {
    std::uint64_t number = 0;
    for (const std::uint8_t byte : key) number = number << 8 | byte;
    return number;
}

cardkit::MifareKey parse_key(const std::string &text) {
    std::string digits = text;
    std::erase_if(digits, [](char c) { return c == ' ' || c == ':'; });
    const auto bytes = cardkit::parse_hex(digits);
    if (!bytes || bytes->size() != 6) {
        throw ToolError(kExitUsage, "-k " + text +
                                        " is not a key of 12 hex digits (a dictionary goes "
                                        "with -f/--dict)");
    }
    cardkit::MifareKey key{};
    std::copy(bytes->begin(), bytes->end(), key.begin());
    return key;
}

}  // namespace

void add_key_options(CLI::App &command, KeyOptions &keys) {
    command.add_option("-k,--key", keys.keys, "a key to try first: 12 hex digits (repeatable)")
        ->allow_extra_args(false);
    command
        .add_option("-f,--dict,--keys", keys.key_files,
                    "a key dictionary (.dic, .keys): one key a line, # comments; - reads "
                    "standard input (repeatable)")
        ->allow_extra_args(false);
}

std::vector<cardkit::MifareKey> load_key_files(Output &out, const std::vector<std::string> &paths) {
    std::vector<cardkit::MifareKey> keys;
    std::unordered_set<std::uint64_t> seen;
    for (const std::string &path : paths) {
        const std::string name = path == "-" ? "standard input" : path;
        cardkit::KeyDictionary dictionary;
        try {
            dictionary = cardkit::read_key_dictionary(read_input_file(path));
        } catch (const cardkit::FormatError &error) {
            throw ToolError(kExitBadInput, name + ": " + error.what());
        }
        const auto &warnings = dictionary.warnings;
        for (std::size_t i = 0; i < std::min(warnings.size(), kWarningsShown); ++i)
            out.warn(name + ": " + warnings[i]);
        if (warnings.size() > kWarningsShown) {
            out.warn(name + ": " + std::to_string(warnings.size() - kWarningsShown) +
                     " more lines that are no key, skipped");
        }
        for (const cardkit::MifareKey &key : dictionary.keys) {
            if (seen.insert(as_number(key)).second) keys.push_back(key);
        }
    }
    return keys;
}

cardwork::KeyCandidates key_candidates(Output &out, const KeyOptions &options,
                                       const std::vector<cardkit::MifareKey> &also) {
    std::vector<cardkit::MifareKey> given;
    for (const std::string &text : options.keys) given.push_back(parse_key(text));
    given.insert(given.end(), also.begin(), also.end());
    std::vector<cardkit::MifareKey> listed = load_key_files(out, options.key_files);
    const auto defaults = cardkit::default_keys();
    listed.insert(listed.end(), defaults.begin(), defaults.end());
    return cardwork::KeyCandidates(std::move(given), std::move(listed));
}

}  // namespace rfcard
