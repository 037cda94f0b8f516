// Storage cards through the commands of class FF, against the simulated cards:
// each case a step of a session, with the answer a PC/SC reader gives.

#include <fstream>
#include <iterator>
#include <thread>

#include "driver_fixture.h"

namespace pcsc_test {
namespace {

const std::string kZeros16(32, '0');
const std::string kData16 = "00112233445566778899AABBCCDDEEFF";

struct Step {
    const char *what;
    std::string apdu;
    std::string answer;
};

void run(SimulatedReader &reader, const std::vector<Step> &steps) {
    for (const Step &step : steps) {
        EXPECT_EQ(reader.exchange(0, step.apdu), step.answer) << step.what;
    }
}

// The card's memory as the simulator holds it.
Bytes card_memory(SimulatedReader &reader, const std::string &kind) {
    const std::string file = ::testing::TempDir() + "/pcsc-" + kind + ".bin";
    EXPECT_EQ(reader.sim("save " + kind + " " + file).rfind("ok", 0), 0u);
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class StorageCards : public ::testing::Test {
protected:
    void start(const std::string &kind) {
        ASSERT_TRUE(reader_.start({kind}));
        reader_.insert_and_power(0);
    }
    SimulatedReader reader_;
};

TEST_F(StorageCards, MifareClassicKeysAuthenticationAndBlocks) {
    start("mifare1k");
    run(reader_, {
                     {"read before authenticating", "FFB0000410", "6982"},
                     {"load key A into slot 0", "FF82000006FFFFFFFFFFFF", "9000"},
                     {"authenticate block 4 with key A", "FF860000050100046000", "9000"},
                     {"read block 4", "FFB0000410", kZeros16 + "9000"},
                     {"update block 4", "FFD6000410" + kData16, "9000"},
                     {"read it back", "FFB0000410", kData16 + "9000"},
                     {"Le 00 reads the block", "FFB0000400", kData16 + "9000"},
                     {"a smaller Le its first bytes", "FFB0000404", kData16.substr(0, 8) + "9000"},
                     {"Le beyond the block", "FFB0000420", "6700"},
                     {"a block of another sector", "FFB0000810", "6982"},
                     {"a block beyond a 1K card", "FFB0004010", "6A82"},
                     {"update with 15 bytes", "FFD600040F" + kData16.substr(0, 30), "6700"},
                     {"key B is readable data, no key", "FF860000050100046100", "6300"},
                     {"the failed authentication closed the sector", "FFB0000410", "6982"},
                     {"the older AUTHENTICATE", "FF8800046000", "9000"},
                     {"the sector is open again", "FFB0000510", kZeros16 + "9000"},
                 });
    const Bytes memory = card_memory(reader_, "mifare1k");
    ASSERT_EQ(memory.size(), 1024u);
    EXPECT_EQ(hex(Bytes(memory.begin() + 64, memory.begin() + 80)), kData16);
}

TEST_F(StorageCards, MifareClassicRefusesMalformedKeyCommands) {
    start("mifare4k");
    run(reader_, {
                     {"load key A into slot 0", "FF82000006FFFFFFFFFFFF", "9000"},
                     {"an empty key slot", "FF860000050100046001", "6984"},
                     {"a key slot beyond the two", "FF860000050100046002", "6988"},
                     {"a key type other than A and B", "FF860000050100046200", "6986"},
                     {"a version other than 1", "FF860000050200046000", "6A81"},
                     {"an authentication of another length", "FF8600000401000460", "6700"},
                     {"loading into slot 2", "FF82000206FFFFFFFFFFFF", "6989"},
                     {"non-volatile memory", "FF82200006FFFFFFFFFFFF", "6988"},
                     {"a reader key", "FF82800006FFFFFFFFFFFF", "6983"},
                     {"a key of 5 bytes", "FF82000005FFFFFFFFFF", "6700"},
                     {"an unknown instruction", "FFEE000000", "6A81"},
                     {"an APDU of its own", "00A4040000", "6E00"},
                     {"historical bytes of a storage card", "FFCA010000", "6A81"},
                     // 4K: sectors 32 to 39 have 16 blocks.
                     {"block 250, sector 39", "FF860000050100FA6000", "9000"},
                     {"the sector's first block", "FFB000F010", kZeros16 + "9000"},
                     {"beyond 255", "FFB0010010", "6A82"},
                 });
}

TEST_F(StorageCards, MifareClassicValueBlocks) {
    start("mifare1k");
    run(reader_, {
                     {"load key A", "FF82000006FFFFFFFFFFFF", "9000"},
                     {"authenticate sector 1", "FF860000050100046000", "9000"},
                     {"store 100 in block 5", "FFD70005050000000064", "9000"},
                     {"add 5", "FFD70005050100000005", "9000"},
                     {"subtract 3", "FFD70005050200000003", "9000"},
                     {"read the value", "FFB1000504", "000000669000"},
                     {"restore block 5 into block 6", "FFD70005020306", "9000"},
                     {"block 6 holds it", "FFB1000604", "000000669000"},
                     {"a block that is no value block", "FFB1000404", "6981"},
                     {"the sector stays open after the refusal", "FFB1000504", "000000669000"},
                     {"an unknown operation", "FFD70005050400000001", "6A81"},
                     {"restore into another sector", "FFD70005020308", "6982"},
                 });
}

// The field is looked at while the card waits: each look selects the card again,
// and the driver renews the application's authentication.
TEST_F(StorageCards, MifareClassicAuthenticationOutlivesLooksAtTheField) {
    start("mifare1k");
    run(reader_, {{"load key A", "FF82000006FFFFFFFFFFFF", "9000"},
                  {"authenticate sector 1", "FF860000050100046000", "9000"}});
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(reader_.await_presence(0, IFD_ICC_PRESENT));
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
    }
    EXPECT_EQ(reader_.exchange(0, "FFB0000410"), kZeros16 + "9000");
}

TEST_F(StorageCards, UltralightPages) {
    start("ultralight");
    run(reader_, {
                     {"write page 4", "FFD600040411223344", "9000"},
                     {"read from page 4: four pages", "FFB0000410",
                      "11223344" + kZeros16.substr(0, 24) + "9000"},
                     {"one page", "FFB0000404", "112233449000"},
                     {"a page the card keeps: 0", "FFD600000400000000", "6982"},
                     {"the card takes commands after its refusal", "FFB0000404", "112233449000"},
                     {"16 bytes at once", "FFD6000410" + kData16, "6700"},
                     {"a page beyond the card", "FFB0001004", "6A82"},
                     {"no authentication for Ultralight", "FF860000050100046000", "6A81"},
                 });
    const Bytes memory = card_memory(reader_, "ultralight");
    ASSERT_EQ(memory.size(), 64u);
    EXPECT_EQ(hex(Bytes(memory.begin() + 16, memory.begin() + 20)), "11223344");
}

class Iso15693Tags : public ::testing::TestWithParam<std::pair<const char *, int>> {};

TEST_P(Iso15693Tags, BlocksOfFourBytes) {
    SimulatedReader reader;
    ASSERT_TRUE(reader.start({GetParam().first}));
    reader.insert_and_power(0);
    char last[8];
    std::snprintf(last, sizeof last, "%02X", GetParam().second - 1);
    run(reader, {
                    {"write block 3", "FFD6000304A1A2A3A4", "9000"},
                    {"read block 3", "FFB0000304", "A1A2A3A49000"},
                    {"Le 00 reads the block", "FFB0000300", "A1A2A3A49000"},
                    {"the last block", std::string("FFB000") + last + "04", "000000009000"},
                    {"Le beyond the block", "FFB0000305", "6700"},
                    {"two blocks at once", "FFD6000308A1A2A3A4A5A6A7A8", "6700"},
                });
    char beyond[8];
    std::snprintf(beyond, sizeof beyond, "%02X", GetParam().second);
    EXPECT_EQ(reader.exchange(0, std::string("FFB000") + beyond + "04"), "6A82");
}

INSTANTIATE_TEST_SUITE_P(Field, Iso15693Tags,
                         ::testing::Values(std::pair<const char *, int>{"iso15693", 64},
                                           std::pair<const char *, int>{"icode", 28}),
                         [](const auto &info) { return std::string(info.param.first); });

}  // namespace
}  // namespace pcsc_test
