// rfcard's batches against reader-sim driven through its control pipe while
// rfcard runs: cards inserted and removed in turn, one whose keys no dictionary
// holds, one presented twice, one taken out while it is written, the log read
// back record by record; Ctrl-C between cards and inside one; an Ultralight
// stack with its lock bytes. The simulator is paced (memory commands take
// 100 ms), and the test acts on what the simulator logged or rfcard printed,
// never after a guessed sleep.

#include <signal.h>

#include <fstream>
#include <sstream>

#include "cardkit/dump_formats.h"
#include "csv.h"
#include "rfcard_fixture.h"
#include "running_program.h"

namespace {

using cardkit::Bytes;
using nlohmann::json;
using rfcard::CsvRecord;

constexpr auto kCardWait = std::chrono::seconds(30);
// The template's blocks, in the order a restore writes them.
const std::vector<int> kTemplateBlocks = {4, 5, 6, 8, 9, 10, 12, 13, 14};

// The columns of the log, as its header names them.
enum Column { Time, Uid, Type, Result, WrittenCount, Written, Differing, InDoubt, Function, Error };

class Batch : public rfcard_test::RfcardTest {
protected:
    // Memory commands slow enough to act while a card is written; every frame logged.
    void start_paced_reader(const std::vector<std::string> &cards) {
        sim_.send_log_to(path("sim.log"));
        start_reader(cards, {"--realtime", "--turnaround", "memory=100", "--verbose"});
    }

    std::string sim(const std::string &command) {
        const std::string answer = sim_.command(command);
        EXPECT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
        return answer;
    }

    // The requests that wrote a block or a page, of all the simulator logged.
    std::size_t writes_logged() const {
        std::ifstream log(path("sim.log"));
        std::size_t writes = 0;
        for (std::string line; std::getline(log, line);) {
            // "<- AA BB len ~len addr addr command ...": Mifare and Ultralight writes.
            if (line.rfind("<- ", 0) != 0 || line.size() < 23) continue;
            const std::string command = line.substr(21, 2);
            if (command == "14" || command == "34") ++writes;
        }
        return writes;
    }
    std::size_t frames_logged() const {
        std::ifstream log(path("sim.log"));
        std::size_t frames = 0;
        for (std::string line; std::getline(log, line);) frames += line.rfind("<- ", 0) == 0;
        return frames;
    }

    void start_rfcard(const std::vector<std::string> &arguments) {
        std::string error;
        ASSERT_TRUE(rfcard_.start(TILVANE_BIN_DIR "/rfcard", arguments, error)) << error;
    }
    // Until rfcard has told `lines` lines on its standard output.
    void wait_for_lines(std::size_t lines) {
        ASSERT_TRUE(
            rfcard_.wait_until([&] { return rfcard_.out_lines().size() >= lines; }, kCardWait))
            << "rfcard told " << rfcard_.out_lines().size() << " lines, not " << lines << "\n"
            << rfcard_.err();
    }
    // Until the simulator has carried out one more write than `before`.
    void wait_for_a_write(std::size_t before) {
        ASSERT_TRUE(rfcard_.wait_until([&] { return writes_logged() > before; }, kCardWait))
            << rfcard_.err();
    }
    // Takes `uid` out and waits until rfcard has polled the empty field three
    // times: it then knows the card left (two misses) and waits for the next.
    void take_out(const std::string &uid) {
        sim("remove " + uid);
        const std::size_t frames = frames_logged();
        ASSERT_TRUE(rfcard_.wait_until([&] { return frames_logged() >= frames + 3; }, kCardWait));
    }
    json line(std::size_t index) {
        return json::parse(rfcard_.out_lines().at(index), nullptr, false);
    }

    std::vector<CsvRecord> log_records(const std::string &name) {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        std::string error;
        const auto records = rfcard::parse_csv(content.str(), error);
        EXPECT_TRUE(records) << error;
        return records.value_or(std::vector<CsvRecord>{});
    }

    Bytes saved(const std::string &uid) {
        sim("save " + uid + " " + path(uid + ".bin"));
        std::ifstream in(path(uid + ".bin"), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Sectors 1 to 3 of a 1K card, each data block a pattern of its number.
    std::string mifare_template() {
        cardkit::CardDump dump = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
        for (const int block : kTemplateBlocks) dump.set_block(block, template_block(block));
        write_file("template.mct", cardkit::export_dump(dump, cardkit::DumpFormat::Mct).content);
        return path("template.mct");
    }
    static Bytes template_block(int block) {
        Bytes data(16);
        for (int i = 0; i < 16; ++i)
            data[static_cast<std::size_t>(i)] = std::uint8_t(block * 16 + i);
        return data;
    }
    void expect_template_on(const std::string &uid) {
        const Bytes memory = saved(uid);
        ASSERT_EQ(memory.size(), 1024u);
        for (const int block : kTemplateBlocks) {
            EXPECT_EQ(Bytes(memory.begin() + block * 16, memory.begin() + block * 16 + 16),
                      template_block(block))
                << uid << " block " << block;
        }
    }

    test_support::RunningProgram rfcard_;
};

// "4-6 8-9": the first `count` blocks of the template's order, as the log lists them.
std::string first_blocks(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        const int block = kTemplateBlocks[i];
        const bool follows = i > 0 && kTemplateBlocks[i - 1] == block - 1;
        const bool followed = i + 1 < count && kTemplateBlocks[i + 1] == block + 1;
        if (follows && followed) continue;
        text += follows ? "-" + std::to_string(block)
                        : (text.empty() ? "" : " ") + std::to_string(block);
    }
    return text;
}

TEST_F(Batch, FiveCardsInTurnAreLoggedRecordByRecordAndARunResumesFromTheLog) {
    start_paced_reader({"mifare1k"});
    const std::string templ = mifare_template();
    sim("remove all");
    // A card whose keys no dictionary holds is in the field first.
    sim("insert mifare1k UID=0B0B0B0B");
    Bytes locked = saved("0B0B0B0B");
    for (const int sector : {1, 2, 3}) {
        for (const int offset : {0, 10})
            std::fill_n(locked.begin() + (sector * 4 + 3) * 16 + offset, 6, 0x5C);
    }
    write_file("locked.bin", std::string(locked.begin(), locked.end()));
    sim("load 0B0B0B0B " + path("locked.bin"));

    start_rfcard({"--json", "mf", "batch", "--template", templ, "--verify", "--log",
                  path("log.csv"), "--count", "2"});
    wait_for_lines(1);
    take_out("0B0B0B0B");
    sim("insert mifare1k");  // 5A3C71E2
    wait_for_lines(2);
    take_out("5A3C71E2");
    sim("insert mifare1k");  // the same card again
    wait_for_lines(3);
    take_out("5A3C71E2");
    const std::size_t writes_before = writes_logged();
    sim("insert mifare1k UID=0C0C0C0C");
    wait_for_a_write(writes_before);
    take_out("0C0C0C0C");  // mid-write
    wait_for_lines(4);
    sim("insert mifare1k UID=0D0D0D0D");
    const auto run = rfcard_.finish(kCardWait);
    // The second card written or verified ends the batch; one failed and one partial.
    EXPECT_EQ(run.status, 5) << run.err;

    const auto records = log_records("log.csv");
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0][Time], "time");
    EXPECT_EQ(records[0][Error], "error");
    for (std::size_t row = 1; row < records.size(); ++row) {
        ASSERT_EQ(records[row].size(), 10u) << row;
        EXPECT_EQ(records[row][Time].size(), 25u)
            << records[row][Time];  // 2025-03-14T09:26:53+01:00
        EXPECT_EQ(records[row][Type], "Mifare Classic 1K") << row;
        // Each record is the line rfcard printed for the card.
        const json told = line(row - 1);
        EXPECT_EQ(told["uid"], records[row][Uid]) << row;
        EXPECT_EQ(told["result"], records[row][Result]) << row;
    }

    const CsvRecord &wrong_key = records[1];
    EXPECT_EQ(wrong_key[Uid], "0B0B0B0B");
    EXPECT_EQ(wrong_key[Result], "failed");
    EXPECT_EQ(wrong_key[WrittenCount], "0");
    EXPECT_EQ(wrong_key[Function], "rf_M1_authentication2");
    EXPECT_NE(wrong_key[Error].find("no key of sector 1 was found"), std::string::npos)
        << wrong_key[Error];
    EXPECT_NE(wrong_key[Error].find("authentication failed"), std::string::npos);

    const CsvRecord &first = records[2];
    EXPECT_EQ(first[Uid], "5A3C71E2");
    EXPECT_EQ(first[Result], "verified");
    EXPECT_EQ(first[WrittenCount], "9");
    EXPECT_EQ(first[Written], "4-6 8-10 12-14");
    EXPECT_EQ(first[Differing], "");
    EXPECT_EQ(first[Function], "");

    const CsvRecord &again = records[3];
    EXPECT_EQ(again[Uid], "5A3C71E2");
    EXPECT_EQ(again[Result], "skipped-duplicate");
    EXPECT_EQ(again[WrittenCount], "0");
    EXPECT_EQ(again[Error], "written earlier in this run");

    // Taken out mid-write: the blocks the card confirmed, in the order written;
    // the reader said there was no card, so no block is in doubt.
    const CsvRecord &removed = records[4];
    EXPECT_EQ(removed[Uid], "0C0C0C0C");
    EXPECT_EQ(removed[Result], "partial");
    const std::size_t written = std::stoul(removed[WrittenCount]);
    EXPECT_GE(written, 1u);
    EXPECT_LT(written, kTemplateBlocks.size());
    EXPECT_EQ(removed[Written], first_blocks(written));
    EXPECT_EQ(removed[InDoubt], "");
    EXPECT_NE(removed[Function], "");
    EXPECT_NE(removed[Error].find("reader status 02"), std::string::npos) << removed[Error];
    const json removed_told = line(3);
    EXPECT_EQ(removed_told["written"].size(), written);
    EXPECT_EQ(removed_told["error"]["function"], removed[Function]);

    EXPECT_EQ(records[5][Uid], "0D0D0D0D");
    EXPECT_EQ(records[5][Result], "verified");
    expect_template_on("0D0D0D0D");
    EXPECT_EQ(line(5)["summary"]["ended"], "count reached");
    EXPECT_EQ(line(5)["summary"]["partial"], 1);

    // A second run takes the log as its list of cards written, appends to it,
    // and ends at once when interrupted between cards.
    start_rfcard({"mf", "batch", "--template", templ, "--log", path("log.csv"), "--uid-list",
                  path("log.csv")});
    wait_for_lines(1);
    EXPECT_EQ(
        rfcard_.out_lines()[0],
        "0D0D0D0D  Mifare Classic 1K  skipped-duplicate: listed as written in " + path("log.csv"));
    sim("remove 0D0D0D0D");
    rfcard_.signal(SIGINT);
    const auto interrupted = rfcard_.finish(kCardWait);
    EXPECT_EQ(interrupted.status, 130) << interrupted.err;
    EXPECT_NE(interrupted.out.find("1 card: 0 verified, 0 written, 0 failed, 0 partial, "
                                   "1 skipped-duplicate; interrupted"),
              std::string::npos)
        << interrupted.out;
    const auto appended = log_records("log.csv");
    ASSERT_EQ(appended.size(), 7u);
    EXPECT_EQ(std::vector<CsvRecord>(appended.begin(), appended.begin() + 6), records);
    EXPECT_EQ(appended[6][Result], "skipped-duplicate");
}

TEST_F(Batch, CtrlCInsideACardFinishesItAndASecondStopsAtOnce) {
    const struct {
        const char *name;
        int interrupts;
        const char *result;
    } rows[] = {
        {"once", 1, "verified"},
        {"twice", 2, "partial"},
    };
    const std::string templ = mifare_template();
    for (const auto &row : rows) {
        start_paced_reader({"mifare1k"});
        std::filesystem::remove(path("log.csv"));
        start_rfcard(
            {"--json", "mf", "batch", "--template", templ, "--verify", "--log", path("log.csv")});
        wait_for_a_write(0);
        rfcard_.signal(SIGINT);
        if (row.interrupts == 2) {
            // Two requests after the first one, rfcard has surely taken it.
            const std::size_t frames = frames_logged();
            ASSERT_TRUE(
                rfcard_.wait_until([&] { return frames_logged() >= frames + 2; }, kCardWait));
            rfcard_.signal(SIGINT);
        }
        const auto run = rfcard_.finish(kCardWait);
        EXPECT_EQ(run.status, 130) << row.name << run.err;
        const auto records = log_records("log.csv");
        ASSERT_EQ(records.size(), 2u) << row.name;
        EXPECT_EQ(records[1][Result], row.result) << row.name;
        const std::size_t written = std::stoul(records[1][WrittenCount]);
        EXPECT_EQ(records[1][Written], first_blocks(written)) << row.name;
        if (row.interrupts == 1) {
            EXPECT_EQ(written, kTemplateBlocks.size()) << row.name;
            expect_template_on("5A3C71E2");
        } else {
            EXPECT_LT(written, kTemplateBlocks.size()) << row.name;
            EXPECT_EQ(records[1][Error], "interrupted") << row.name;
        }
        sim_.stop();
    }
}

TEST_F(Batch, UltralightStackGetsItsPagesAndConfirmedLockBytes) {
    start_reader({"ultralight"});
    cardkit::CardDump dump = cardkit::CardDump::ultralight();
    for (int page = 4; page < 16; ++page)
        dump.set_block(page, Bytes{std::uint8_t(page), 0xA5, 0x5A, std::uint8_t(~page)});
    dump.set_block(3, Bytes{0x01, 0x02, 0x04, 0x08});  // OTP bits
    dump.set_block(2, Bytes{0x00, 0x00, 0x00, 0x80});  // locks page 15
    write_file("ul.json", cardkit::export_dump(dump, cardkit::DumpFormat::Json).content);

    // The lock bytes and OTP are written only after a typed yes.
    const auto declined =
        rfcard({"ul", "batch", "--template", path("ul.json"), "--write-locks"}, "no\n");
    EXPECT_EQ(declined.status, 6);
    EXPECT_NE(declined.err.find("the OTP page and the lock bytes of every card"), std::string::npos)
        << declined.err;

    start_rfcard({"ul", "batch", "--template", path("ul.json"), "--write-locks", "--verify",
                  "--count", "2"});
    rfcard_.write_input("yes\n");
    wait_for_lines(1);
    EXPECT_EQ(rfcard_.out_lines()[0],
              "046E315A2B4880  Mifare Ultralight  verified  14 pages written");
    sim("remove all");
    const Bytes second = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    sim("insert ultralight UID=" + cardkit::to_hex(second));
    const auto run = rfcard_.finish(kCardWait);
    EXPECT_EQ(run.status, 0) << run.err;

    const Bytes memory = saved(cardkit::to_hex(second));
    ASSERT_EQ(memory.size(), 64u);
    for (int page = 4; page < 16; ++page) {
        EXPECT_EQ(Bytes(memory.begin() + page * 4, memory.begin() + page * 4 + 4),
                  Bytes(dump.block(page).begin(), dump.block(page).end()))
            << page;
    }
    EXPECT_EQ(Bytes(memory.begin() + 12, memory.begin() + 16), (Bytes{0x01, 0x02, 0x04, 0x08}));
    // Page 2: the card's own check byte and internal byte, lock byte 1 locking page 15.
    EXPECT_EQ(memory[8], second[3] ^ second[4] ^ second[5] ^ second[6]);
    EXPECT_EQ(memory[10], 0x00);
    EXPECT_EQ(memory[11], 0x80);
}

}  // namespace
