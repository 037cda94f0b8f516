// rfcard's other commands against the simulated reader: what it tells of the
// reader and the field, APDUs to both processor cards, the dumps of the cards
// without keys, and the failures a user meets first.

#include <unistd.h>

#include <fstream>

#include "device_holder.h"
#include "rfcard_fixture.h"
#include "transport/port_session.h"
#include "transport_environment.h"

namespace {

using rfcard_test::RfcardTest;

class OtherCards : public RfcardTest {};

TEST_F(OtherCards, InfoTellsTheReaderAndTheLibraries) {
    start_reader({});
    const auto info = rfcard_json({"info"}, 0);
    EXPECT_EQ(info["reader"]["model"], "0210");
    EXPECT_EQ(info["reader"]["serial_number"].get<std::string>().size(), 16u);
    EXPECT_EQ(info["libraries"]["libDrovik.so"]["version"], 2);
    EXPECT_TRUE(info["libraries"]["libSelmek.so"]["version"].is_number());
}

TEST_F(OtherCards, ScanFindsEveryCardOfTheDefaultField) {
    start_reader({});
    const auto scan = rfcard_json({"scan"}, 0);
    EXPECT_EQ(scan["cards"], nlohmann::json::parse(R"([
        {"protocol": "ISO 14443 Type A", "uid": "5A3C71E2", "atqa": "0400", "sak": "08",
         "kind": "Mifare Classic 1K"},
        {"protocol": "ISO 14443 Type B", "pupi": "1C935E07"},
        {"protocol": "AT88RF020", "pupi": "4DAA2017"},
        {"protocol": "ISO 15693", "uid": "E007C6A15233108E", "dsfid": "00"},
        {"protocol": "SR176/SRIX4K", "chip_id": "5D", "uid": "D0020C4B1372A9E5", "kind": "SRIX4K"}
    ])"));
}

TEST_F(OtherCards, GetChallengeOnBothProcessorCards) {
    for (const std::string kind : {"cpu-a", "cpu-b"}) {
        start_reader({kind});
        const auto apdu = rfcard_json({"apdu", "0084000008"}, 0);
        EXPECT_EQ(apdu["card"]["type"], kind == "cpu-a" ? "A" : "B");
        const auto &exchange = apdu["exchanges"][0];
        EXPECT_EQ(exchange["data"].get<std::string>().size(), 16u) << kind;
        EXPECT_EQ(exchange["sw"], "9000");
        EXPECT_EQ(exchange["meaning"], "done");
        // A command the card refuses: the status word in words, and status 5.
        const auto refused = rfcard_json({"apdu", "00B0000010"}, 5);
        EXPECT_EQ(refused["exchanges"][0]["meaning"], "command not allowed (no current file)");
        sim_.stop();
    }
}

TEST_F(OtherCards, DumpsOfTheCardsWithoutKeysConvertAndCompare) {
    const struct {
        std::string kind, command, file;
        std::string uid;
        std::size_t blocks;
    } cards[] = {
        {"ultralight", "ul", "ul.json", "046E315A2B4880", 16},
        {"srix4k", "srix", "srix.bin", "D0020C4B1372A9E5", 128},
        {"sr176", "sr176", "sr176.json", "D0020B55317E9004", 16},
        {"iso15693", "15693", "tag.json", "E007C6A15233108E", 64},
        {"icode", "15693", "icode.json", "E00401004F3A92C7", 28},
    };
    for (const auto &card : cards) {
        start_reader({card.kind});
        const auto dump = rfcard_json({card.command, "dump", "-o", path(card.file)}, 0);
        EXPECT_EQ(dump["card"]["uid"], card.uid) << card.kind;
        EXPECT_EQ(dump["blocks"], card.blocks) << card.kind;
        sim_.stop();
    }
    // The tag's block security travels with the dump.
    EXPECT_EQ(read_dump("tag.json").block_security()->size(), 64u);
    // The raw file converted to JSON holds the same card.
    EXPECT_EQ(rfcard({"convert", path("srix.bin"), path("srix.json")}).status, 0);
    EXPECT_EQ(read_dump("srix.json").block_count(), 128);
    const auto same = rfcard_json({"diff", path("srix.bin"), path("srix.json")}, 0);
    EXPECT_EQ(same["equal_blocks"], 128);
    // Dumps of different families cannot be compared.
    EXPECT_EQ(rfcard({"diff", path("ul.json"), path("sr176.json")}).status, 3);
}

TEST_F(OtherCards, SrixDumpsHoldEachBlockAsTheTagSendsItLeastSignificantByteFirst) {
    start_reader({"srix4k"});
    // Bytes that tell every position apart, and a lock register in the system block.
    std::string memory(516, '\0');
    for (std::size_t i = 0; i < 512; ++i) memory[i] = static_cast<char>(i * 7 + 1);
    memory[512] = '\x7E';
    write_file("memory.bin", memory);
    ASSERT_EQ(sim_.command("load D0020C4B1372A9E5 " + path("memory.bin")), "ok 516");
    ASSERT_EQ(sim_.command("save srix4k " + path("reader-order.bin")), "ok 516");

    ASSERT_EQ(rfcard({"srix", "dump", "-o", path("tag.bin")}).status, 0);
    std::ifstream saved(path("reader-order.bin"), std::ios::binary);
    std::ifstream dumped(path("tag.bin"), std::ios::binary);
    const std::string reader_order{std::istreambuf_iterator<char>(saved), {}};
    const std::string tag_order{std::istreambuf_iterator<char>(dumped), {}};
    ASSERT_EQ(tag_order.size(), 516u);
    // The simulator keeps the blocks as the reader hands them over, byte 3 first.
    for (std::size_t block = 0; block < 129; ++block) {
        const std::string as_read = reader_order.substr(4 * block, 4);
        EXPECT_EQ(tag_order.substr(4 * block, 4), std::string(as_read.rbegin(), as_read.rend()))
            << "block " << block;
    }
}

TEST_F(OtherCards, AnUltralightReadAsALargerTypeKeepsItsPagesAndNamesTheRest) {
    start_reader({"ultralight"});
    const auto run = rfcard({"ul", "dump", "--size", "ulc", "-o", path("ulc.nfc")});
    EXPECT_EQ(run.status, 5) << run.err;
    EXPECT_NE(run.err.find("32 blocks not read, unknown in the dump: 16-47"), std::string::npos)
        << run.err;
    const cardkit::CardDump dump = read_dump("ulc.nfc");
    EXPECT_EQ(dump.ultralight_type(), cardkit::UltralightType::UltralightC);
    EXPECT_TRUE(dump.block_known(15));
    EXPECT_TRUE(dump.block_unknown(16));
}

TEST_F(OtherCards, FailuresNameTheFunctionItsResultAndItsMeaning) {
    // No reader behind the port.
    test_support::use_device(1, path("no-such-device"));
    const auto no_reader = rfcard_json({"info"}, 1);
    EXPECT_EQ(no_reader["error"]["function"], "rf_init_com");
    EXPECT_EQ(no_reader["error"]["result"], 2);
    EXPECT_EQ(no_reader["error"]["meaning"], "the port did not open: No such file or directory");

    // A reader with no card of the family asked for.
    start_reader({"cpu-b"});
    const auto no_card = rfcard({"mf", "dump"});
    EXPECT_EQ(no_card.status, 1);
    EXPECT_NE(no_card.err.find("rf_request returned 2, reader status 02: no card"),
              std::string::npos)
        << no_card.err;

    // A copy of the program without the library beside it.
    std::filesystem::copy_file(TILVANE_BIN_DIR "/rfcard", path("rfcard"));
    std::filesystem::permissions(path("rfcard"), std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    const auto alone = test_support::run_program(path("rfcard"), {"info"});
    EXPECT_EQ(alone.status, 4);
    EXPECT_NE(alone.err.find("libDrovik.so"), std::string::npos) << alone.err;
}

TEST_F(OtherCards, APortAnotherProgramHoldsIsSaidSoWithTheProgram) {
    start_reader({});
    // This test holds the simulator's port through the transport, as a second
    // rfcard or Tilvane would.
    selmek::PortSession holder;
    ASSERT_EQ(holder.open(sim_.device(), 115200), 0);
    const auto held = rfcard({"info"});
    EXPECT_EQ(held.status, 1);
    const std::string expected = "rfcard: port 1 (" + sim_.device() +
                                 "): rf_init_com returned 16 (0x10), the port is in use by "
                                 "another program (held by " +
                                 test_support::process_name(getpid()) + ", process " +
                                 std::to_string(getpid()) + ")\n";
    EXPECT_EQ(held.err, expected);
    EXPECT_EQ(rfcard_json({"info"}, 1)["error"]["meaning"], "the port is in use by another program");

    holder.close();
    EXPECT_EQ(rfcard({"info"}).status, 0);
}

}  // namespace
