// The value-block editor's model: which blocks may hold a value, what it starts
// from, what the sector's access conditions let the card do with it, and the
// bytes shown in their parts.

#include <gtest/gtest.h>

#include "cardkit/value_block.h"
#include "workbench/value_block_editor.h"
#include "workbench_test.h"

namespace {

using workbench_test::FactoryMifare;
using workbench_test::Hex;

struct DraftCase {
    const char *name;
    std::function<cardkit::CardDump()> dump;
    int block;
    bool applicable;
    const char *why_not_or_rights;
    std::int32_t value;
    std::uint8_t address;
    bool is_value_block;
};

void PrintTo(const DraftCase &c, std::ostream *os) { *os << c.name; }

cardkit::CardDump WithValue(int block, cardkit::ValueBlock value) {
    cardkit::CardDump dump = FactoryMifare();
    dump.set_block(block, cardkit::encode_value_block(value));
    return dump;
}

cardkit::CardDump WithAccess(cardkit::AccessBits access) {
    cardkit::CardDump dump = FactoryMifare();
    dump.set_bytes(7, cardkit::kTrailerAccessBits, cardkit::encode_access_bits(access));
    return dump;
}

const DraftCase kDrafts[] = {
    {"block_0", [] { return FactoryMifare(); }, 0, false,
     "Block 0 is the manufacturer block, never a value block.", 0, 0, false},
    {"trailer", [] { return FactoryMifare(); }, 11, false,
     "Block 11 is a sector trailer, never a value block.", 0, 0, false},
    {"another_family", [] { return cardkit::CardDump::ultralight(); }, 5, false,
     "Only Mifare Classic cards have value blocks.", 0, 0, false},
    {"no_block", [] { return FactoryMifare(); }, -2, false, "No block is chosen.", 0, 0, false},
    {"data_block_starts_at_zero_and_its_own_number", [] { return FactoryMifare(); }, 22, true,
     "increment by key A or B, decrement by key A or B", 0, 22, false},
    {"value_block_starts_from_its_value",
     [] {
         return WithValue(5, {-42, 0x80});
     },
     5, true, "increment by key A or B, decrement by key A or B", -42, 0x80, true},
    {"purse_that_only_decrements",
     [] {
         return WithAccess({{0, 1, 0, 1}});
     },
     5, true, "never increment, decrement by key A or B", 0, 5, false},
    {"no_value_operation",
     [] {
         return WithAccess({{0, 4, 0, 1}});
     },
     5, true,
     "never increment, never decrement: the card allows no value operation here, so the value is "
     "only data",
     0, 5, false},
    {"access_unknown",
     [] {
         cardkit::CardDump dump = FactoryMifare();
         dump.forget_block(7);
         return dump;
     },
     6, true, "", 0, 6, false},
};

class ValueDrafts : public ::testing::TestWithParam<DraftCase> {};

TEST_P(ValueDrafts, ForEachKindOfBlock) {
    const DraftCase &c = GetParam();
    const tilvane::ValueDraft draft = tilvane::ValueDraftFor(c.dump(), c.block);
    EXPECT_EQ(draft.applicable, c.applicable);
    EXPECT_EQ(c.applicable ? draft.rights : draft.why_not,
              QString::fromLatin1(c.why_not_or_rights));
    EXPECT_EQ(draft.value, c.value);
    EXPECT_EQ(draft.address, c.address);
    EXPECT_EQ(draft.is_value_block, c.is_value_block);
}

INSTANTIATE_TEST_SUITE_P(Blocks, ValueDrafts, ::testing::ValuesIn(kDrafts),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ValueBlockLayout, ShowsTheCopiesAndTheAddressInTheirParts) {
    struct Case {
        std::int32_t value;
        std::uint8_t address;
        const char *layout;
    };
    const Case cases[] = {
        {100, 5, "value 64000000, inverted 9BFFFFFF, value 64000000, address 05 FA 05 FA"},
        {-1, 0, "value FFFFFFFF, inverted 00000000, value FFFFFFFF, address 00 FF 00 FF"},
        {INT32_MIN, 0xFF, "value 00000080, inverted FFFFFF7F, value 00000080, address FF 00 FF 00"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(tilvane::ValueBlockLayout(c.value, c.address), QString::fromLatin1(c.layout))
            << c.value;
        // And the bytes are the ones a card decodes back to the value.
        EXPECT_EQ(cardkit::decode_value_block(tilvane::ValueBlockBytes(c.value, c.address)),
                  (cardkit::ValueBlock{c.value, c.address}));
    }
}

}  // namespace
