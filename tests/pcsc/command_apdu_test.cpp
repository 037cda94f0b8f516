// Short command APDUs of the four cases, and what does not add up.

#include <gtest/gtest.h>

#include "command_apdu.h"
#include "test_bytes.h"

namespace pcsc_test {
namespace {

struct ApduCase {
    const char *apdu;
    bool valid;
    const char *data;
    int le;  // -1: none
};

class CommandApdus : public ::testing::TestWithParam<ApduCase> {};

TEST_P(CommandApdus, AreSplitByTheirLengthBytes) {
    const auto bytes = bytes_of(GetParam().apdu);
    const auto parsed = pcsc::parse_command_apdu(bytes);
    ASSERT_EQ(parsed.has_value(), GetParam().valid) << GetParam().apdu;
    if (!parsed) return;
    EXPECT_EQ(hex_of({parsed->data.begin(), parsed->data.end()}), GetParam().data);
    EXPECT_EQ(parsed->le ? static_cast<int>(*parsed->le) : -1, GetParam().le);
    EXPECT_EQ(hex_of({parsed->cla, parsed->ins, parsed->p1, parsed->p2}),
              hex_of(bytes_of(std::string(GetParam().apdu).substr(0, 8))));
}

INSTANTIATE_TEST_SUITE_P(
    Apdus, CommandApdus,
    ::testing::Values(ApduCase{"FFCA0000", true, "", -1},              // case 1
                      ApduCase{"FFCA000004", true, "", 4},             // case 2
                      ApduCase{"FFCA000000", true, "", 256},           // Le 00 is 256
                      ApduCase{"FFD6000402AABB", true, "AABB", -1},    // case 3
                      ApduCase{"00A4040002AABB10", true, "AABB", 16},  // case 4
                      ApduCase{"00A4040002AABB00", true, "AABB", 256},
                      ApduCase{"FFCA00", false, "", -1},            // no header
                      ApduCase{"FFD6000403AABB", false, "", -1},    // Lc beyond the end
                      ApduCase{"FFD6000401AABBCC", false, "", -1},  // bytes after Le
                      ApduCase{"00B000000000", false, "", -1},      // extended
                      ApduCase{"00B0000000000100", false, "", -1}));

TEST(StatusWords, FollowTheData) {
    EXPECT_EQ(hex_of(pcsc::with_status(bytes_of("0102"), 0x6282)), "01026282");
    EXPECT_EQ(hex_of(pcsc::status_only(0x6A81)), "6A81");
}

}  // namespace
}  // namespace pcsc_test
