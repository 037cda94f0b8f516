// Key dictionaries as people keep them, and the lines that are not keys.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cardkit/bytes.h"
#include "cardkit/key_dictionary.h"

namespace {

using cardkit::MifareKey;

TEST(KeyDictionary, ReadsKeysOnceInFileOrderPastCommentsAndSpaces) {
    const auto keys = cardkit::parse_key_dictionary(
        "\xEF\xBB\xBF# transport\nFFFFFFFFFFFF\r\n\n  a0a1a2a3a4a5   # "
        "directory\n\tffffffffffff\nD3F7D3F7D3F7");
    const std::vector<MifareKey> expected = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                             {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5},
                                             {0xD3, 0xF7, 0xD3, 0xF7, 0xD3, 0xF7}};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(cardkit::parse_key_dictionary(cardkit::format_key_dictionary(keys)), keys);
    EXPECT_EQ(cardkit::format_key_dictionary(keys).substr(13, 13), "A0A1A2A3A4A5\n");
}

TEST(KeyDictionary, SkipsALineThatIsNotOneKeyWithAWarningNamingIt) {
    const struct {
        const char *text;
        std::size_t keys;
        const char *warning;
    } files[] = {
        {"FFFFFFFFFFFF\nFFFFFFFFFFF\n", 1, "line 2: \"FFFFFFFFFFF\" is not a key"},
        {"FFFFFFFFFFFFFF\nA0A1A2A3A4A5\n", 1, "line 1:"},
        {"FF FF FF FF FF FF\nA0A1A2A3A4A5\n", 1, "line 1:"},
        {"A0A1A2A3A4A5\n\nGGGGGGGGGGGG", 1, "line 3:"},
    };
    for (const auto &file : files) {
        const auto dictionary = cardkit::read_key_dictionary(file.text);
        EXPECT_EQ(dictionary.keys.size(), file.keys) << file.text;
        ASSERT_EQ(dictionary.warnings.size(), 1u) << file.text;
        EXPECT_TRUE(dictionary.warnings[0].starts_with(file.warning)) << dictionary.warnings[0];
    }
}

TEST(KeyDictionary, AFileWithoutAnyKeyIsAnError) {
    for (const char *text : {"", "# nothing\n\n", "\xEF\xBB\xBF", "GGGGGGGGGGGG\n"}) {
        EXPECT_THROW(cardkit::read_key_dictionary(text), cardkit::FormatError) << text;
    }
}

TEST(KeyDictionary, ReadsTheDictionariesOfOtherTools) {
    const struct {
        const char *name;
        std::size_t keys;
        std::size_t skipped;
    } files[] = {
        {"keys/mct-std.keys", 3, 0},
        // Eight lines with the letters O and L for digits ("EL67EC67C7FF").
        {"keys/flipper-community.nfc", 114, 8},
    };
    for (const auto &file : files) {
        std::ifstream in(std::string(CARDKIT_TEST_DATA) + "/" + file.name, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        const auto dictionary = cardkit::read_key_dictionary(text);
        EXPECT_EQ(dictionary.keys.size(), file.keys) << file.name;
        EXPECT_EQ(dictionary.warnings.size(), file.skipped) << file.name;
    }
}

TEST(KeyDictionary, DefaultsStartWithTheFactoryKeyAndRepeatNone) {
    const auto keys = cardkit::default_keys();
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), (MifareKey{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    const auto text = cardkit::format_key_dictionary(keys);
    EXPECT_EQ(cardkit::parse_key_dictionary(text).size(), keys.size());
}

}  // namespace
