// Key dictionaries as people keep them, and the lines that are not keys.

#include <gtest/gtest.h>

#include "cardkit/bytes.h"
#include "cardkit/key_dictionary.h"

namespace {

using cardkit::MifareKey;

TEST(KeyDictionary, ReadsKeysOnceInFileOrderPastCommentsAndSpaces) {
    const auto keys = cardkit::parse_key_dictionary(
        "# transport\nFFFFFFFFFFFF\r\n\n  a0a1a2a3a4a5   # "
        "directory\n\tffffffffffff\nD3F7D3F7D3F7");
    const std::vector<MifareKey> expected = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                             {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5},
                                             {0xD3, 0xF7, 0xD3, 0xF7, 0xD3, 0xF7}};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(cardkit::parse_key_dictionary(cardkit::format_key_dictionary(keys)), keys);
    EXPECT_EQ(cardkit::format_key_dictionary(keys).substr(13, 13), "A0A1A2A3A4A5\n");
}

TEST(KeyDictionary, RefusesALineThatIsNotOneKeyNamingTheLine) {
    const struct {
        const char *text;
        const char *error;
    } refusals[] = {
        {"FFFFFFFFFFFF\nFFFFFFFFFFF\n", "line 2: \"FFFFFFFFFFF\" is not a key"},
        {"FFFFFFFFFFFFFF\n", "line 1:"},
        {"FF FF FF FF FF FF\n", "line 1:"},
        {"\n\nGGGGGGGGGGGG", "line 3:"},
    };
    for (const auto &refusal : refusals) {
        try {
            cardkit::parse_key_dictionary(refusal.text);
            ADD_FAILURE() << refusal.text << " read without complaint";
        } catch (const cardkit::FormatError &error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(refusal.error)) << error.what();
        }
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
