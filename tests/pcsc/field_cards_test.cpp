// The field slot as pcscd uses it, against the simulated cards: what each card
// kind looks like to a PC/SC application (ATR, UID), and the APDUs of each.

#include "driver_fixture.h"

namespace pcsc_test {
namespace {

struct CardLook {
    const char *kind;
    const char *atr;
    const char *uid;  // FF CA 00 00 00
};

class CardKinds : public ::testing::TestWithParam<CardLook> {};

TEST_P(CardKinds, ShowTheirAtrAndUid) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({GetParam().kind}));
    EXPECT_EQ(hex(reader.insert_and_power(0)), hex(hex(GetParam().atr)));
    EXPECT_EQ(reader.exchange(0, "FFCA000000"), hex(hex(GetParam().uid)) + "9000");
}

INSTANTIATE_TEST_SUITE_P(
    Field, CardKinds,
    ::testing::Values(
        CardLook{"mifare1k", "3B8F8001804F0CA000000306030001000000006A", "5A3C71E2"},
        CardLook{"mifare4k", "3B8F8001804F0CA0000003060300020000000069", "6B2D80F3"},
        CardLook{"ultralight", "3B8F8001804F0CA0000003060300030000000068", "046E315A2B4880"},
        // The ATS's historical bytes; the ATQB's application data and protocol
        // information, then the buffer index the reader does not pass on.
        CardLook{"cpu-a", "3B8B8001803180655449 4C56120F0642", "3E81226D"},
        CardLook{"cpu-b", "3B888001003A5D010081 71009F", "1C935E07"},
        // ISO 15693: the UID least significant byte first, as it travels; Tag-it
        // and ICODE SLI named by the maker's code.
        CardLook{"iso15693", "3B8F8001804F0CA000000306 0B0012000000 0071", "8E103352A1C607E0"},
        CardLook{"icode", "3B8F8001804F0CA000000306 0B0014000000 0077", "C7923A4F000104E0"}),
    [](const auto &info) {
        std::string name = info.param.kind;
        std::erase(name, '-');
        return name;
    });

// Type A is looked for first, then Type B, then ISO 15693.
TEST(FieldOrder, TypeAWinsOverTypeBAndIso15693) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"iso15693", "cpu-b", "mifare1k"}));
    reader.insert_and_power(0);
    EXPECT_EQ(reader.exchange(0, "FFCA000000"), "5A3C71E29000");
}

struct ProcessorApdu {
    const char *name;
    const char *apdu;
    const char *status;  // the status word the card answers
    std::size_t data_length;
};

class ProcessorCards : public ::testing::TestWithParam<const char *> {};

// The cards' own answers come back through the reader's ISO 14443-4 exchange with
// their status words.
TEST_P(ProcessorCards, AnswerApdusWithTheirStatusWords) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({GetParam()}));
    reader.insert_and_power(0);
    const ProcessorApdu apdus[] = {
        {"select by AID", "00A4040009F054494C56414E450100", "9000", 17},
        {"select unknown AID", "00A4040005A00000000100", "6A82", 0},
        {"get challenge", "0084000008", "9000", 8},
        {"read binary without EF", "00B0000010", "6986", 0},
        {"unknown instruction", "00CA000000", "6D00", 0},
    };
    for (const ProcessorApdu &row : apdus) {
        RESPONSECODE result = 0;
        const Bytes answer = reader.transmit(0, hex(row.apdu), result);
        ASSERT_EQ(result, IFD_SUCCESS) << row.name;
        ASSERT_GE(answer.size(), 2u) << row.name;
        EXPECT_EQ(hex(Bytes(answer.end() - 2, answer.end())), row.status) << row.name;
        EXPECT_EQ(answer.size() - 2, row.data_length) << row.name;
    }
    // Two challenges differ: each comes from the card.
    EXPECT_NE(reader.exchange(0, "0084000008"), reader.exchange(0, "0084000008"));
}

TEST_P(ProcessorCards, RefuseApdusLongerThanTheReaderCarries) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({GetParam()}));
    reader.insert_and_power(0);
    Bytes longest = hex("00D60000");
    longest.push_back(245);
    longest.resize(250, 0x11);  // Type B carries 250 bytes, Type A 251
    Bytes too_long = longest;
    too_long.resize(252, 0x11);
    RESPONSECODE result = 0;
    EXPECT_EQ(hex(reader.transmit(0, too_long, result)), "6700");
    EXPECT_EQ(result, IFD_SUCCESS);
    EXPECT_EQ(hex(reader.transmit(0, hex("00A4"), result)), "6700") << "shorter than a header";
    // The card is still in its session.
    EXPECT_EQ(reader.exchange(0, "00A4040009F054494C56414E4501").substr(0, 2), "6F");
}

TEST_P(ProcessorCards, StartTheirSessionAgainOnReset) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({GetParam()}));
    const Bytes atr = reader.insert_and_power(0);
    ASSERT_EQ(reader.exchange(0, "00A4040009F054494C56414E4501").substr(0, 2), "6F");
    RESPONSECODE result = 0;
    EXPECT_EQ(reader.power(0, result, IFD_RESET), atr);
    ASSERT_EQ(result, IFD_SUCCESS);
    // Back at the MF: no application selected, no EF.
    EXPECT_EQ(reader.exchange(0, "00B0000004"), "6986");
    EXPECT_EQ(reader.exchange(0, "0084000004").size(), 12u);
}

INSTANTIATE_TEST_SUITE_P(Field, ProcessorCards, ::testing::Values("cpu-a", "cpu-b"),
                         [](const auto &info) {
                             return std::string(info.param) == "cpu-a" ? "TypeA" : "TypeB";
                         });

TEST(ProcessorCardData, TypeAGivesItsHistoricalBytes) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({"cpu-a"}));
    reader.insert_and_power(0);
    EXPECT_EQ(reader.exchange(0, "FFCA010000"), hex(hex("80 31 80 65 54 49 4C 56 12 0F 06 90 00")));
}

}  // namespace
}  // namespace pcsc_test
