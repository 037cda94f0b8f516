// An ISO 15693 tag's system information, as tags of several kinds answer it.

#include <gtest/gtest.h>

#include "cardwork/card_error.h"
#include "cardwork/tag_information.h"

namespace {

using cardkit::Bytes;

const Bytes kUid = {0x8E, 0x10, 0x33, 0x52, 0xA1, 0xC6, 0x07, 0xE0};

Bytes answer(std::uint8_t flags, const Bytes &fields) {
    Bytes bytes = {flags};
    bytes.insert(bytes.end(), kUid.begin(), kUid.end());
    bytes.insert(bytes.end(), fields.begin(), fields.end());
    return bytes;
}

TEST(TagInformation, FieldsAreThereAsTheFlagsSay) {
    const struct {
        Bytes answer;
        std::optional<std::uint8_t> dsfid, afi;
        int blocks, block_size;
    } rows[] = {
        {answer(0x0F, {0x21, 0x33, 0x3F, 0x03, 0x01}), 0x21, 0x33, 64, 4},
        {answer(0x04, {0x1B, 0x03}), std::nullopt, std::nullopt, 28, 4},
        {answer(0x06, {0x07, 0xFF, 0x1F}), std::nullopt, 0x07, 256, 32},
        // The size byte's upper bits are no part of the block size.
        {answer(0x05, {0x00, 0x07, 0xE7}), 0x00, std::nullopt, 8, 8},
    };
    for (const auto &row : rows) {
        const auto information = cardwork::parse_tag_information(row.answer);
        EXPECT_EQ(information.dsfid, row.dsfid);
        EXPECT_EQ(information.afi, row.afi);
        EXPECT_EQ(information.blocks, row.blocks);
        EXPECT_EQ(information.block_size, row.block_size);
    }
}

TEST(TagInformation, AnAnswerThatCannotSayTheMemorySizeIsRefused) {
    for (const Bytes &refused : {Bytes{}, answer(0x0F, {0x21, 0x33, 0x3F}), answer(0x03, {0, 0}),
                                 Bytes{0x04, 0x01, 0x02}}) {
        EXPECT_THROW(cardwork::parse_tag_information(refused), cardwork::CardError);
    }
}

}  // namespace
