// The access-bits editor's model: every choice it offers makes bytes the card
// takes (their inverted copies agree) and that read back as the choice; the
// labels of both sector sizes; the warnings of choices that cannot be undone.

#include <gtest/gtest.h>

#include "cardkit/access_bits.h"
#include "workbench/access_bits_editor.h"

namespace {

using tilvane::AccessBitsEditor;

TEST(AccessBitsEditor, EveryCombinationOfChoicesMakesBytesThatDecodeToIt) {
    AccessBitsEditor editor;
    for (int combination = 0; combination < 8 * 8 * 8 * 8; ++combination) {
        cardkit::AccessBits wanted;
        for (int group = 0; group < AccessBitsEditor::kGroups; ++group) {
            const auto condition =
                static_cast<cardkit::AccessCondition>((combination >> (3 * group)) & 7);
            wanted.groups[static_cast<std::size_t>(group)] = condition;
            ASSERT_TRUE(editor.Set(group, condition));
        }
        EXPECT_EQ(editor.access(), wanted);
        EXPECT_EQ(cardkit::decode_access_bits(editor.Bytes()), wanted) << combination;
    }
}

TEST(AccessBitsEditor, OffersTheEightConditionsOfEachGroupWithTheirRights) {
    for (int group = 0; group < AccessBitsEditor::kGroups; ++group) {
        const auto choices = AccessBitsEditor::Choices(group);
        ASSERT_EQ(choices.size(), 8u);
        for (std::size_t i = 0; i < choices.size(); ++i) {
            EXPECT_EQ(choices[i].condition, i);
            const std::string words = group == AccessBitsEditor::kTrailerGroup
                                          ? cardkit::describe_trailer(choices[i].condition)
                                          : cardkit::describe_data_block(choices[i].condition);
            EXPECT_EQ(choices[i].text.toStdString(),
                      cardkit::condition_bits(choices[i].condition) + ": " + words);
        }
    }
}

TEST(AccessBitsEditor, RefusesWhatIsNoChoice) {
    AccessBitsEditor editor;
    EXPECT_FALSE(editor.Set(4, 0));
    EXPECT_FALSE(editor.Set(-1, 0));
    EXPECT_FALSE(editor.Set(0, 8));
    EXPECT_EQ(editor.access(), cardkit::kTransportAccess);
    EXPECT_EQ(editor.BytesText(), QStringLiteral("FF 07 80"));
}

TEST(AccessBitsEditor, LoadsTheSectorsBitsOrTheTransportOnes) {
    AccessBitsEditor editor;
    editor.Load(cardkit::AccessBits{{1, 2, 3, 4}});
    EXPECT_EQ(editor.access(), (cardkit::AccessBits{{1, 2, 3, 4}}));
    editor.Load(std::nullopt);  // unknown or invalid in the dump
    EXPECT_EQ(editor.access(), cardkit::kTransportAccess);
}

TEST(AccessBitsEditor, NamesTheGroupsOfBothSectorSizes) {
    const AccessBitsEditor small(4);
    const AccessBitsEditor large(16);
    const QStringList small_labels{"Block 0", "Block 1", "Block 2", "Trailer"};
    const QStringList large_labels{"Blocks 0-4", "Blocks 5-9", "Blocks 10-14", "Trailer"};
    for (int group = 0; group < AccessBitsEditor::kGroups; ++group) {
        EXPECT_EQ(small.GroupLabel(group), small_labels[group]);
        EXPECT_EQ(large.GroupLabel(group), large_labels[group]);
    }
}

struct WarningCase {
    const char *name;
    cardkit::AccessBits access;
    std::vector<const char *> warnings;  // each warning starts with this
};

void PrintTo(const WarningCase &c, std::ostream *os) { *os << c.name; }

class AccessWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(AccessWarnings, SayWhatCannotBeTakenBack) {
    AccessBitsEditor editor;
    for (int group = 0; group < AccessBitsEditor::kGroups; ++group) {
        editor.Set(group, GetParam().access.groups[static_cast<std::size_t>(group)]);
    }
    const QStringList warnings = editor.Warnings();
    ASSERT_EQ(static_cast<std::size_t>(warnings.size()), GetParam().warnings.size())
        << warnings.join(u'|').toStdString();
    for (std::size_t i = 0; i < GetParam().warnings.size(); ++i) {
        EXPECT_TRUE(
            warnings[static_cast<int>(i)].startsWith(QString::fromLatin1(GetParam().warnings[i])))
            << warnings[static_cast<int>(i)].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Choices, AccessWarnings,
    ::testing::Values(
        WarningCase{"transport", cardkit::kTransportAccess, {}},
        WarningCase{"key_b_writes_everything", {{0, 0, 0, 3}}, {}},
        WarningCase{"frozen_access_bits", {{0, 0, 0, 4}}, {"No key may write the access bits"}},
        WarningCase{"frozen_keys_and_bits",
                    {{0, 0, 0, 6}},
                    {"No key may write the access bits", "No key may write the keys"}},
        WarningCase{
            "key_b_alone_while_readable",
            {{3, 0, 4, 1}},
            {"Block 0: key B alone may do this, but key B is readable here and so no key: it "
             "can never be read, written",
             "Block 2: key B alone may do this"}},
        WarningCase{"key_b_alone_but_a_key", {{3, 0, 4, 3}}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
