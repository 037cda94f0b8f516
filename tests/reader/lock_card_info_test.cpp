// rf_getlockcardinfo: find and select one Type A card of either UID size. Each
// path is a script of reader answers, the result it ends in, the commands sent
// and what the caller's length byte holds afterwards.

#include "reader_fixture.h"

namespace {

using fake_selmek::ScriptedExchange;
using reader_test::Bytes;
using reader_test::operator+;

constexpr std::uint8_t kRequest = 0x0C, kAnticoll = 0x0D, kSelect = 0x0E, kUlSelect = 0x33;
constexpr std::uint8_t kCallersLength = 0xEE;

ScriptedExchange answer(const Bytes &data) { return {0, fake_selmek::reader_frame(0, data)}; }
ScriptedExchange refusal(std::uint8_t status) { return {0, fake_selmek::reader_frame(status, {})}; }
ScriptedExchange silence() { return {SELMEK_ERR_TIMEOUT, {}}; }

const Bytes kUid4 = {0x11, 0x22, 0x33, 0x44};
const Bytes kUid7 = {0x04, 0x5A, 0x6B, 0x7C, 0x8D, 0x9E, 0xAF};
const Bytes kSingleAtqa = {0x04, 0x00};
const Bytes kUltralightAtqa = {0x44, 0x00};

struct LockCardPath {
    const char *name;
    std::vector<ScriptedExchange> script;
    std::int32_t result;
    Bytes codes;
    std::uint8_t length;
};

void PrintTo(const LockCardPath &path, std::ostream *os) { *os << path.name; }

class LockCardInfo : public reader_test::LoadedLibraryTest,
                     public ::testing::WithParamInterface<LockCardPath> {};

TEST_P(LockCardInfo, EndsInItsCode) {
    const LockCardPath &path = GetParam();
    for (const ScriptedExchange &exchange : path.script) transport().script.push_back(exchange);
    // Exactly two bytes of ATQA room: the sanitizer build catches a read past them.
    Bytes atqa(2, 0xEE);
    Bytes uid(10, 0xEE);
    std::uint8_t length = kCallersLength;

    EXPECT_EQ(EXPORT(rf_getlockcardinfo)(0, 0x26, uid.data(), &length, atqa.data()), path.result);
    EXPECT_EQ(sent_codes(), path.codes);
    EXPECT_EQ(length, path.length);
    EXPECT_EQ(sent_data(0), Bytes{0x26});
    EXPECT_TRUE(transport().script.empty()) << "answers left over";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LockCardInfo,
    ::testing::Values(
        LockCardPath{"single_size_card",
                     {answer(kSingleAtqa), answer(kUid4), answer({0x08})},
                     0, {kRequest, kAnticoll, kSelect}, 4},
        LockCardPath{"ultralight_card",
                     {answer(kUltralightAtqa), answer(kUid7)},
                     0, {kRequest, kUlSelect}, 7},
        LockCardPath{"request_missed_once",
                     {silence(), answer(kSingleAtqa), answer(kUid4), answer({0x08})},
                     0, {kRequest, kRequest, kAnticoll, kSelect}, 4},
        LockCardPath{"request_failed_twice",
                     {refusal(0x01), silence()},
                     -1, {kRequest, kRequest}, kCallersLength},
        LockCardPath{"atqa_of_the_wrong_size_twice",
                     {answer({0x44}), answer({0x44, 0x00, 0x00})},
                     -1, {kRequest, kRequest}, kCallersLength},
        LockCardPath{"anticollision_failed",
                     {answer(kSingleAtqa), refusal(0x0A)},
                     -2, {kRequest, kAnticoll}, kCallersLength},
        LockCardPath{"anticollision_lost",
                     {answer(kSingleAtqa), silence()},
                     -2, {kRequest, kAnticoll}, kCallersLength},
        LockCardPath{"anticollision_gave_a_7_byte_uid",
                     {answer(kSingleAtqa), answer(kUid7)},
                     -3, {kRequest, kAnticoll}, 7},
        LockCardPath{"select_failed",
                     {answer(kSingleAtqa), answer(kUid4), refusal(0x0A)},
                     -4, {kRequest, kAnticoll, kSelect}, 4},
        LockCardPath{"select_answered_two_bytes",
                     {answer(kSingleAtqa), answer(kUid4), answer({0x08, 0x08})},
                     -4, {kRequest, kAnticoll, kSelect}, 4},
        LockCardPath{"ultralight_select_failed",
                     {answer(kUltralightAtqa), silence()},
                     -5, {kRequest, kUlSelect}, kCallersLength},
        LockCardPath{"ultralight_select_gave_a_4_byte_uid",
                     {answer(kUltralightAtqa), answer(kUid4)},
                     -6, {kRequest, kUlSelect}, 4},
        LockCardPath{"atqa_44_01_is_not_ultralight",
                     {answer({0x44, 0x01}), answer(kUid4), answer({0x08})},
                     0, {kRequest, kAnticoll, kSelect}, 4}),
    [](const auto &info) { return std::string(info.param.name); });

class LockCardInfoOutputs : public reader_test::LoadedLibraryTest {};

TEST_F(LockCardInfoOutputs, TheCallerGetsAtqaAndUidButNotTheSak) {
    fake_selmek::respond(0, kUltralightAtqa);
    fake_selmek::respond(0, kUid7);
    Bytes atqa(2), uid(10, 0xEE);
    std::uint8_t length = 0;
    EXPECT_EQ(EXPORT(rf_getlockcardinfo)(0, 0x52, uid.data(), &length, atqa.data()), 0);
    EXPECT_EQ(atqa, kUltralightAtqa);
    EXPECT_EQ(uid, kUid7 + Bytes(3, 0xEE));

    fake_selmek::respond(0, kSingleAtqa);
    fake_selmek::respond(0, kUid4);
    fake_selmek::respond(0, {0x08});
    EXPECT_EQ(EXPORT(rf_getlockcardinfo)(0, 0x52, uid.data(), &length, atqa.data()), 0);
    EXPECT_EQ(atqa, kSingleAtqa);
    EXPECT_EQ(Bytes(uid.begin(), uid.begin() + 4), kUid4);
    EXPECT_EQ(sent_data(4), kUid4);  // the select names the UID it got
}

// Whatever follows the ATQA in the caller's buffer plays no part in the choice.
TEST_F(LockCardInfoOutputs, ZerosAfterTheAtqaDoNotSendASingleSizeCardDownTheUltralightPath) {
    fake_selmek::respond(0, kSingleAtqa);
    fake_selmek::respond(0, kUid4);
    fake_selmek::respond(0, {0x08});
    Bytes atqa(4, 0x00), uid(10);
    std::uint8_t length = 0;
    EXPECT_EQ(EXPORT(rf_getlockcardinfo)(0, 0x52, uid.data(), &length, atqa.data()), 0);
    EXPECT_EQ(sent_codes(), (Bytes{kRequest, kAnticoll, kSelect}));
}

TEST_F(LockCardInfoOutputs, TheRequestCodeIsTheRequestsOwn) {
    Bytes atqa(2), uid(10);
    std::uint8_t length = 0;
    EXPECT_EQ(EXPORT(rf_getlockcardinfo)(0, 0x99, uid.data(), &length, atqa.data()), -1);
    EXPECT_EQ(sent_data(0), Bytes{0x52});
    EXPECT_EQ(sent_data(1), Bytes{0x52});
}

}  // namespace
