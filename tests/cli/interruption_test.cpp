// Work cut short against the simulated reader, paced as a real line: Ctrl-C,
// the reader unplugged and the simulator killed in the middle of a dump or a
// restore, each once rfcard's progress shows it half way. A dump's file is
// there with what was read and the rest unknown; a restore's report matches
// the card's memory block for block, and --resume writes the rest.

#include <sys/stat.h>

#include <csignal>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "cardkit/dump_formats.h"
#include "rfcard_fixture.h"

namespace {

using namespace std::chrono_literals;
using rfcard_test::RfcardTest;

// Whether the progress `program` drew so far has come to `unit` number `done`
// or later ("sector 5 of 16", "block 40 of 128").
std::function<bool()> progress_reached(const test_support::RunningProgram &program,
                                       const std::string &unit, int done) {
    return [&program, pattern = std::regex(unit + " ([0-9]+) of"), done] {
        const std::string &drawn = program.err();
        for (std::sregex_iterator match(drawn.begin(), drawn.end(), pattern), end; match != end;
             ++match) {
            if (std::stoi((*match)[1]) >= done) return true;
        }
        return false;
    };
}

enum class Cut { CtrlC, Unplug, KillReader };

// Each card command and memory access of the paced reader, in milliseconds.
constexpr int kTurnaround = 20;
// The 47 data blocks of a 1K card a restore writes: all but block 0 and the trailers.
constexpr std::size_t kDataBlocks = 47;

class Interruption : public RfcardTest {
protected:
    void cut(test_support::RunningProgram &program, Cut how) {
        switch (how) {
            case Cut::CtrlC:
                program.signal(SIGINT);
                break;
            case Cut::Unplug:
                EXPECT_EQ(sim_.command("fault unplug"), "ok");
                break;
            case Cut::KillReader:
                sim_.stop();
                break;
        }
    }

    void save(const cardkit::CardDump &dump, const std::string &name) {
        write_file(name, cardkit::export_dump(dump, *cardkit::format_from_file_name(name)).content);
    }

    cardkit::CardDump card_memory(const std::string &name) {
        EXPECT_EQ(sim_.command("save 5A3C71E2 " + path(name)), "ok 1024");
        return read_dump(name);
    }

    mode_t mode_of(const std::string &name) const {
        struct stat status {};
        ::stat(path(name).c_str(), &status);
        return status.st_mode & 07777;
    }
};

TEST_F(Interruption, ADumpCutShortWritesWhatItReadAndNamesTheBlocksNotRead) {
    const struct {
        const char *name;
        const char *card;
        std::vector<std::string> command;
        const char *file;
        const char *unit;
        int at;
        Cut cut;
        int status;
    } cuts[] = {
        {"mf dump, Ctrl-C", "mifare1k", {"mf", "dump"}, "card.mct", "sector", 5, Cut::CtrlC, 130},
        {"mf dump, reader unplugged",
         "mifare1k",
         {"mf", "dump"},
         "card.eml",
         "sector",
         5,
         Cut::Unplug,
         5},
        {"srix dump, simulator killed",
         "srix4k",
         {"srix", "dump"},
         "tag.json",
         "block",
         40,
         Cut::KillReader,
         5},
    };
    for (const auto &row : cuts) {
        SCOPED_TRACE(row.name);
        start_paced_reader({row.card}, kTurnaround);
        std::vector<std::string> arguments = row.command;
        arguments.insert(arguments.end(), {"-o", path(row.file)});
        const auto program = start_rfcard(arguments);
        ASSERT_TRUE(program->wait_until(progress_reached(*program, row.unit, row.at), 60s));
        cut(*program, row.cut);
        const auto run = program->finish(60s);
        EXPECT_EQ(run.status, row.status) << run.err;

        const cardkit::CardDump dump = read_dump(row.file);
        // The start of the card is there, its end unknown.
        EXPECT_TRUE(dump.block_known(0));
        EXPECT_TRUE(dump.block_unknown(dump.block_count() - 1));
        int unknown = 0;
        for (int block = 0; block < dump.block_count(); ++block)
            unknown += dump.block_unknown(block) ? 1 : 0;
        EXPECT_NE(run.err.find(std::to_string(unknown) + " blocks not read"), std::string::npos)
            << run.err;
        // A Mifare dump holds keys: no other user may read it.
        if (dump.family() == cardkit::CardFamily::MifareClassic) {
            EXPECT_EQ(mode_of(row.file), 0600u);
        }
        sim_.stop();
    }
}

TEST_F(Interruption, ARestoreCutShortReportsExactlyWhatItWroteAndResumeWritesTheRest) {
    const struct {
        const char *name;
        Cut cut;
        int status;
    } cuts[] = {
        {"Ctrl-C", Cut::CtrlC, 130},
        {"reader unplugged", Cut::Unplug, 5},
    };
    for (const auto &row : cuts) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove(path("wanted.mct.restore-log"));
        start_paced_reader({"mifare1k"}, kTurnaround);
        const cardkit::CardDump factory = card_memory("factory.bin");
        // Every data block gets bytes of its own, so each tells whether it was written.
        cardkit::CardDump wanted = factory;
        for (int block = 1; block < wanted.block_count(); ++block) {
            if (!cardkit::is_trailer(block))
                wanted.set_block(block, cardkit::Bytes(16, static_cast<std::uint8_t>(block)));
        }
        save(wanted, "wanted.mct");

        const auto program = start_rfcard({"--json", "mf", "restore", path("wanted.mct")});
        ASSERT_TRUE(program->wait_until(progress_reached(*program, "sector", 5), 60s));
        cut(*program, row.cut);
        const auto run = program->finish(60s);
        EXPECT_EQ(run.status, row.status) << run.err;
        const auto report = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(report.is_object()) << run.out;

        const cardkit::CardDump after = card_memory("after.bin");
        const auto written = report["written"].get<std::vector<int>>();
        const auto not_written = report["not_written"].get<std::vector<int>>();
        // The block sent when the line went may hold either; -1 for none.
        const int in_doubt = report["in_doubt"].is_null() ? -1 : report["in_doubt"].get<int>();
        EXPECT_FALSE(written.empty());
        EXPECT_FALSE(not_written.empty());
        EXPECT_EQ(written.size() + not_written.size(), kDataBlocks);
        for (const int block : written) {
            EXPECT_TRUE(std::ranges::equal(after.block(block), wanted.block(block))) << block;
        }
        for (const int block : not_written) {
            if (block == in_doubt) continue;
            EXPECT_TRUE(std::ranges::equal(after.block(block), factory.block(block))) << block;
        }
        EXPECT_NE(run.err.find("--resume " + path("wanted.mct.restore-log")), std::string::npos)
            << run.err;

        // An unplugged reader comes back as a new one holding the card as it was left.
        if (row.cut == Cut::Unplug) {
            sim_.stop();
            start_reader({"mifare1k"});
            ASSERT_EQ(sim_.command("load 5A3C71E2 " + path("after.bin")), "ok 1024");
        }
        const auto resumed = rfcard_json(
            {"mf", "restore", path("wanted.mct"), "--resume", path("wanted.mct.restore-log")}, 0);
        EXPECT_EQ(resumed["written_before"].get<std::set<int>>(),
                  std::set<int>(written.begin(), written.end()));
        EXPECT_EQ(resumed["written"].get<std::set<int>>(),
                  std::set<int>(not_written.begin(), not_written.end()));
        const cardkit::CardDump restored = card_memory("restored.bin");
        for (int block = 1; block < wanted.block_count(); ++block) {
            EXPECT_TRUE(std::ranges::equal(restored.block(block), wanted.block(block))) << block;
        }
        sim_.stop();
    }
}

}  // namespace
