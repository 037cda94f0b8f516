// The commands of class FF against a reader of fakes: the answers that depend on
// what the reader says (a card gone, a refusal, a line fault) and the calls the
// driver makes, or does not make, for them.

#include <gtest/gtest.h>

#include "protocol/reader_status.h"
#include "pseudo_apdus.h"
#include "selmek_results.h"
#include "test_bytes.h"
#include "fake_reader.h"

namespace pcsc_test {
namespace {

using pcsc::CardKind;
using pcsc::SlotReply;
using protocol::ReaderStatus;

constexpr std::int32_t status(ReaderStatus value) { return protocol::status_byte(value); }

class PseudoApdus : public ::testing::Test {
protected:
    void SetUp() override {
        fake_reader::reset();
        api_ = fake_reader::api();
        card_.kind = CardKind::MifareClassic1K;
        card_.uid = bytes_of("12345678");
    }

    SlotReply send(const std::string &apdu) {
        pcsc::CardActivation activation(api_);
        const auto bytes = bytes_of(apdu);
        return pcsc::PseudoApdus(api_, activation, card_, session_, keys_).answer(bytes);
    }
    std::string answer(const std::string &apdu) {
        const SlotReply reply = send(apdu);
        EXPECT_EQ(reply.outcome, SlotReply::Outcome::Answered) << apdu;
        return hex_of(reply.response);
    }
    // Key A of FF..FF in slot 0, sector 1 opened.
    void open_sector_1() {
        ASSERT_EQ(answer("FF82000006FFFFFFFFFFFF"), "9000");
        ASSERT_EQ(answer("FF860000050100046000"), "9000");
        fake_reader::state().calls.clear();
    }

    binding::ReaderApi api_;
    pcsc::FieldCard card_;
    pcsc::StorageSession session_;
    pcsc::KeySlots keys_;
};

struct GetDataCase {
    const char *apdu;
    const char *answer;
};

class GetData : public PseudoApdus, public ::testing::WithParamInterface<GetDataCase> {};

// Le against the UID's four bytes.
TEST_P(GetData, AnswersByLe) { EXPECT_EQ(answer(GetParam().apdu), GetParam().answer); }

INSTANTIATE_TEST_SUITE_P(
    Uid, GetData,
    ::testing::Values(GetDataCase{"FFCA000000", "123456789000"},
                      GetDataCase{"FFCA0000", "123456789000"},
                      GetDataCase{"FFCA000004", "123456789000"}, GetDataCase{"FFCA000002", "6C04"},
                      GetDataCase{"FFCA000006", "123456786282"}, GetDataCase{"FFCA000100", "6A81"},
                      GetDataCase{"FFCA020000", "6A81"}, GetDataCase{"FFCA00000101", "6700"},
                      GetDataCase{"FF880004600", "6700"}));

TEST_F(PseudoApdus, BlocksOutsideTheOpenSectorSendNothing) {
    open_sector_1();
    EXPECT_EQ(answer("FFB0000810"), "6982");
    EXPECT_EQ(answer("FFD6000010" + std::string(32, '0')), "6982");
    EXPECT_EQ(answer("FFB1000004"), "6982");
    EXPECT_TRUE(fake_reader::calls().empty());
}

// A card that refused a command fell back: it is selected again by its UID and
// the sector's authentication renewed before the next command.
TEST_F(PseudoApdus, ARefusalIsFollowedBySelectionAndRenewal) {
    open_sector_1();
    fake_reader::results("rf_M1_read", {status(ReaderStatus::NotAllowed)});
    EXPECT_EQ(answer("FFB0000410"), "6982");
    fake_reader::state().calls.clear();
    EXPECT_EQ(answer("FFB0000410"), std::string(32, '0') + "9000");
    EXPECT_EQ(fake_reader::calls(),
              (std::vector<std::string>{
                  "rf_init_type(0,65)", "rf_halt(0)", "rf_request(0,82)", "rf_select(0,12345678,4)",
                  "rf_M1_authentication2(0,0x60,4,FFFFFFFFFFFF)", "rf_M1_read(0,4)"}));
}

// The sector's keys changed since: the renewal fails, and the application has to
// authenticate again.
TEST_F(PseudoApdus, AFailedRenewalClosesTheSector) {
    open_sector_1();
    session_.card_holds_grant = false;
    fake_reader::results("rf_M1_authentication2", {status(ReaderStatus::AuthFailed)});
    EXPECT_EQ(answer("FFB0000410"), "6982");
    fake_reader::state().calls.clear();
    EXPECT_EQ(answer("FFB0000410"), "6982");
    EXPECT_TRUE(fake_reader::calls().empty());
}

struct FailureCase {
    const char *name;
    std::int32_t result;  // of rf_M1_read
    SlotReply::Outcome outcome;
    const char *answer;
};

class ReadFailures : public PseudoApdus, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReadFailures, MeanForTheSlot) {
    open_sector_1();
    fake_reader::results("rf_M1_read", {GetParam().result});
    const SlotReply reply = send("FFB0000410");
    EXPECT_EQ(reply.outcome, GetParam().outcome);
    EXPECT_EQ(hex_of(reply.response), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Read, ReadFailures,
    ::testing::Values(
        FailureCase{"CardGone", status(ReaderStatus::NoCard), SlotReply::Outcome::CardGone, ""},
        FailureCase{"LineSilent", SELMEK_ERR_TIMEOUT, SlotReply::Outcome::LineFault, ""},
        FailureCase{"Unplugged", SELMEK_ERR_DEVICE_GONE, SlotReply::Outcome::LineFault, ""},
        FailureCase{"NoSuchBlock", status(ReaderStatus::BadAddress), SlotReply::Outcome::Answered,
                    "6A82"},
        FailureCase{"NotAuthenticated", status(ReaderStatus::NotAuthenticated),
                    SlotReply::Outcome::Answered, "6982"},
        FailureCase{"CardError", status(ReaderStatus::CardError), SlotReply::Outcome::Answered,
                    "6300"},
        // The library refused the answer: not the 16 bytes of a block.
        FailureCase{"ShortAnswer", 1, SlotReply::Outcome::Answered, "6300"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PseudoApdus, BlocksOfAnotherSizeThanTheLibraryWritesAreNotWritten) {
    card_.kind = CardKind::Iso15693;
    card_.uid = bytes_of("8E103352A1C607E0");
    card_.block_count = 32;
    card_.block_size = 8;
    fake_reader::state().answers["ISO15693_Read"].push_back(bytes_of("0102030405060708"));
    EXPECT_EQ(answer("FFB0000200"), "01020304050607089000");
    EXPECT_EQ(answer("FFD60002080102030405060708"), "6A81");
    EXPECT_EQ(answer("FFB0002000"), "6A82");
    EXPECT_EQ(fake_reader::calls_of("ISO15693_Write").size(), 0u);
}

TEST_F(PseudoApdus, ValuesTravelMostSignificantByteFirst) {
    open_sector_1();
    fake_reader::state().value = -2;
    EXPECT_EQ(answer("FFB1000504"), "FFFFFFFE9000");
    EXPECT_EQ(answer("FFD700050501FFFFFFFE"), "9000");
    EXPECT_EQ(fake_reader::calls_of("rf_M1_increment"),
              (std::vector<std::string>{"rf_M1_increment(0,5,-2)"}));
}

}  // namespace
}  // namespace pcsc_test
