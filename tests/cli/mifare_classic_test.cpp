// rfcard's Mifare Classic commands against the simulated 1K and 4K cards: keys
// changed with the tool itself and found again from a dictionary, sectors no
// key opens left unknown, restore with its checks, values.

#include <fstream>

#include "cardkit/dump_formats.h"
#include "rfcard_fixture.h"

namespace {

using cardkit::KeyType;
using rfcard_test::RfcardTest;

const cardkit::MifareKey kKeyA1 = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
const cardkit::MifareKey kKeyB1 = {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6};
const cardkit::MifareKey kUnlisted = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
constexpr const char *kDictionary = "# keys of the test\nA1A2A3A4A5A6\nB1B2B3B4B5B6\n";

// A trailer: key A, access bits of the four groups with user byte 69, key B.
void set_trailer(cardkit::CardDump &dump, int sector, const cardkit::MifareKey &a,
                 const cardkit::AccessBits &access, const cardkit::MifareKey &b) {
    const auto bits = cardkit::encode_access_bits(access);
    const std::uint8_t bytes[4] = {bits[0], bits[1], bits[2], 0x69};
    dump.set_bytes(cardkit::trailer_block(sector), cardkit::kTrailerAccessBits, bytes);
    dump.set_key(sector, KeyType::A, a);
    dump.set_key(sector, KeyType::B, b);
}

// Key B no key's data; the trailer written by key B alone.
constexpr cardkit::AccessBits kKeyBSecret{{0, 0, 0, 3}};

class MifareClassic : public RfcardTest {
protected:
    void save(const cardkit::CardDump &dump, const std::string &name) {
        write_file(name, cardkit::export_dump(dump, *cardkit::format_from_file_name(name)).content);
    }
};

TEST_F(MifareClassic, KeysChangedByARestoreAreFoundFromADictionaryAndOthersStayUnknown) {
    start_reader({"mifare1k"});
    ASSERT_EQ(rfcard({"mf", "dump", "-o", path("factory.mct")}).status, 0);
    cardkit::CardDump keys = read_dump("factory.mct");
    set_trailer(keys, 1, kKeyA1, kKeyBSecret, kKeyB1);
    set_trailer(keys, 2, kUnlisted, cardkit::kTransportAccess, kUnlisted);
    save(keys, "new-keys.mct");

    // Trailers only after a typed "yes".
    const auto declined =
        rfcard({"mf", "restore", path("new-keys.mct"), "--include-trailers"}, "no\n");
    EXPECT_EQ(declined.status, 6);
    EXPECT_NE(declined.err.find("Type yes to go on"), std::string::npos);
    ASSERT_EQ(
        rfcard({"mf", "restore", path("new-keys.mct"), "--include-trailers", "--verify"}, "yes\n")
            .status,
        0);

    // What the restore remembered would find every key; the dictionary must.
    std::filesystem::remove_all(key_memory());
    write_file("keys.dic", kDictionary);
    const auto first =
        rfcard_json({"mf", "dump", "-f", path("keys.dic"), "-o", path("found.json")}, 5);
    const auto &sectors = first["sectors"];
    ASSERT_EQ(sectors.size(), 16u);
    EXPECT_EQ(sectors[0]["key_a"], "FFFFFFFFFFFF");
    EXPECT_TRUE(sectors[0]["key_b_readable"]);
    EXPECT_EQ(sectors[1]["key_a"], "A1A2A3A4A5A6");
    EXPECT_EQ(sectors[1]["key_b"], "B1B2B3B4B5B6");
    EXPECT_EQ(sectors[1]["blocks_read"], 4);
    EXPECT_TRUE(sectors[2]["key_a"].is_null());
    EXPECT_EQ(sectors[2]["blocks_read"], 0);

    const cardkit::CardDump found = read_dump("found.json");
    EXPECT_EQ(found.key(1, KeyType::B), kKeyB1);
    for (int block = 8; block < 12; ++block) EXPECT_TRUE(found.block_unknown(block)) << block;
    EXPECT_EQ(found.identity().uid, (cardkit::Bytes{0x5A, 0x3C, 0x71, 0xE2}));

    // The keys found are remembered for the card and tried first next time.
    const auto again = rfcard_json({"mf", "dump", "-o", path("again.mct")}, 5);
    EXPECT_EQ(again["sectors"][1]["key_b"], "B1B2B3B4B5B6");
    EXPECT_LT(again["keys_tried"].get<int>(), first["keys_tried"].get<int>());
    EXPECT_TRUE(std::filesystem::exists(key_memory() / "5A3C71E2.mct"));
}

TEST_F(MifareClassic, FourKCardWithAChangedLargeSectorDumpsWholeAndConverts) {
    start_reader({"mifare4k"});
    cardkit::CardDump keys = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic4K);
    set_trailer(keys, 35, kKeyA1, kKeyBSecret, kKeyB1);
    save(keys, "sector35.mct");
    ASSERT_EQ(rfcard({"mf", "restore", path("sector35.mct"), "--include-trailers", "--yes"}).status,
              0);
    std::filesystem::remove_all(key_memory());
    write_file("keys.dic", kDictionary);

    const auto dump = rfcard_json({"mf", "dump", "-f", path("keys.dic"), "-o", path("4k.json")}, 0);
    EXPECT_EQ(dump["card"]["type"], "Mifare Classic 4K");
    ASSERT_EQ(dump["sectors"].size(), 40u);
    EXPECT_EQ(dump["sectors"][35]["key_a"], "A1A2A3A4A5A6");
    EXPECT_EQ(dump["sectors"][35]["blocks_read"], 16);

    ASSERT_EQ(rfcard({"convert", path("4k.json"), path("4k.mfd")}).status, 0);
    EXPECT_EQ(std::filesystem::file_size(path("4k.mfd")), 4096u);
    const auto same = rfcard_json({"diff", path("4k.json"), path("4k.mfd")}, 0);
    EXPECT_TRUE(same["identical"]);
}

TEST_F(MifareClassic, RestoreWritesDataBlocksAndVerifiesThem) {
    start_reader({"mifare1k"});
    ASSERT_EQ(rfcard({"mf", "dump", "-o", path("factory.mct")}).status, 0);
    cardkit::CardDump wanted = read_dump("factory.mct");
    for (const int block : {1, 4, 5, 62}) {
        cardkit::Bytes data(16);
        for (int i = 0; i < 16; ++i)
            data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(block * 16 + i);
        wanted.set_block(block, data);
    }
    wanted.forget_block(6);  // not in the dump: left as it is
    save(wanted, "wanted.mct");

    const auto restored = rfcard_json({"mf", "restore", path("wanted.mct"), "--verify"}, 0);
    EXPECT_EQ(restored["written"].size(), 46u);  // 64 blocks less block 0, 16 trailers, block 6
    EXPECT_EQ(restored["verified"], 46);
    EXPECT_TRUE(restored["differences"].empty());

    ASSERT_EQ(rfcard({"mf", "dump", "-o", path("after.mct")}).status, 0);
    const auto diff =
        rfcard_json({"diff", "--hide-identical", path("wanted.mct"), path("after.mct")}, 5);
    // Only the block the dump did not hold differs (it is known on the card).
    ASSERT_EQ(diff["groups"].size(), 1u);
    EXPECT_EQ(diff["groups"][0]["differences"][0]["block"], 6);

    // Block 0 is the maker's: asked for, it is tried and the card's refusal said.
    const auto block0 =
        rfcard_json({"mf", "restore", path("wanted.mct"), "--include-block0", "--yes"}, 5);
    ASSERT_EQ(block0["skipped"].size(), 1u);
    EXPECT_EQ(block0["skipped"][0]["block"], 0);
}

TEST_F(MifareClassic, InvalidAccessBitsInTheDumpStopTheRestoreBeforeAnyWrite) {
    start_reader({"mifare1k"});
    ASSERT_EQ(rfcard({"mf", "dump", "-o", path("factory.mct")}).status, 0);
    cardkit::CardDump wanted = read_dump("factory.mct");
    wanted.set_block(1, cardkit::Bytes(16, 0x77));
    const std::uint8_t broken[3] = {0xFF, 0x07, 0x81};
    wanted.set_bytes(cardkit::trailer_block(3), cardkit::kTrailerAccessBits, broken);
    save(wanted, "broken.mct");

    const auto run = rfcard({"mf", "restore", path("broken.mct"), "--include-trailers", "--yes"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("sector(s) 3"), std::string::npos) << run.err;
    ASSERT_EQ(rfcard({"mf", "dump", "-o", path("after.mct")}).status, 0);
    EXPECT_EQ(read_dump("after.mct").block(1)[0], 0x00);
}

TEST_F(MifareClassic, ValueBlockInitialisedIncreasedAndDecreased) {
    start_reader({"mifare1k"});
    EXPECT_EQ(rfcard_json({"mf", "value", "init", "22", "1000"}, 0)["value"], 1000);
    const auto increased = rfcard_json({"mf", "value", "inc", "22", "500"}, 0);
    EXPECT_EQ(increased["value_before"], 1000);
    EXPECT_EQ(increased["value"], 1500);
    EXPECT_EQ(rfcard_json({"mf", "value", "dec", "22", "1700"}, 0)["value"], -200);
    const auto read = rfcard_json({"mf", "value", "read", "22"}, 0);
    EXPECT_EQ(read["value"], -200);
    EXPECT_EQ(read["address"], 22);

    // A block that holds no value says so, with the copy that is wrong.
    const auto plain = rfcard({"mf", "value", "read", "21"});
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("the value copies differ"), std::string::npos) << plain.err;
}

}  // namespace
