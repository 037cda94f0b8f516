#include "cardwork/tag_information.h"

#include <string>

#include "cardwork/card_error.h"

namespace cardwork {

namespace {

constexpr std::uint8_t kHasDsfid = 0x01;
constexpr std::uint8_t kHasAfi = 0x02;
constexpr std::uint8_t kHasMemorySize = 0x04;
constexpr std::size_t kFlagsAndUid = 9;

}  // namespace

TagInformation parse_tag_information(cardkit::ByteView answer) {
    TagInformation information;
    std::size_t at = kFlagsAndUid;
    const auto take = [&](std::size_t count) {
        if (at + count > answer.size()) {
            throw CardError(CardErrorKind::CardUnusable,
                            "ISO15693_Get_System_Information answered " +
                                std::to_string(answer.size()) +
                                " bytes, fewer than its flags announce");
        }
        const cardkit::ByteView part = answer.subspan(at, count);
        at += count;
        return part;
    };
    const std::uint8_t flags = answer.empty() ? 0 : answer[0];
    if (flags & kHasDsfid) information.dsfid = take(1)[0];
    if (flags & kHasAfi) information.afi = take(1)[0];
    if (!(flags & kHasMemorySize)) {
        throw CardError(CardErrorKind::CardUnusable,
                        "the tag does not tell the size of its memory");
    }
    const cardkit::ByteView size = take(2);
    information.blocks = size[0] + 1;
    // The upper bits of the size byte are not part of it.
    information.block_size = (size[1] & 0x1F) + 1;
    return information;
}

}  // namespace cardwork
