// The control commands a parent gives reader-sim: the field changed, faults armed
// for the loop, card memories saved and loaded as raw dumps; and lines cut from
// what the parent writes.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "cards/short_range_card.h"
#include "cards/srix4k.h"
#include "reader_control.h"
#include "sim_reader.h"

namespace {

using namespace sim_test;
namespace fs = std::filesystem;

class Control {
public:
    explicit Control(const std::vector<std::string_view> &kinds)
        : sim(kinds), control(sim.reader()) {}
    std::string run(std::string_view line) { return control.run(line); }
    std::string field() { return run("cards"); }

    SimReader sim;
    sim::ReaderControl control;
};

// A directory of its own for each test's files.
class Files {
public:
    Files() { fs::create_directories(directory_); }
    ~Files() { fs::remove_all(directory_); }
    std::string path(const std::string &name) const { return (directory_ / name).string(); }
    Bytes read(const std::string &name) const {
        std::ifstream in(path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string &name, const Bytes &bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }

private:
    fs::path directory_ = fs::temp_directory_path() /
                          ("reader-control-" + std::to_string(::getpid()) + "-" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// ---- The field and the answers -------------------------------------------------

struct CommandCase {
    const char *name;
    std::vector<std::string_view> field;
    std::string line;
    std::string answer_start;  // "error" cases: the field stays as it was
    std::string field_after;   // for the "ok" cases
};

void PrintTo(const CommandCase &c, std::ostream *os) { *os << c.name; }

// clang-format off
const CommandCase kCommands[] = {
    {"cards_on_one_line", {"mifare1k", "ultralight"}, "cards",
     "ok 2 mifare1k 5A3C71E2 ultralight 046E315A2B4880", ""},
    {"insert_with_the_default_uid", {}, "insert ultralight",
     "ok 046E315A2B4880", "ok 1 ultralight 046E315A2B4880"},
    {"insert_past_the_uids_taken", {"mifare1k", "mifare1k"}, "insert mifare1k",
     "ok 5A3C71E4", "ok 3 mifare1k 5A3C71E2 mifare1k 5A3C71E3 mifare1k 5A3C71E4"},
    {"insert_with_a_uid_given_in_any_case", {}, "  insert\tcpu-b UID=0a0B0c0D ",
     "ok 0A0B0C0D", "ok 1 cpu-b 0A0B0C0D"},
    {"insert_a_tag_by_its_uid_as_read", {}, "insert icode UID=E0040100AABBCCDD",
     "ok E0040100AABBCCDD", "ok 1 icode E0040100AABBCCDD"},
    {"insert_a_uid_in_the_field", {"mifare1k"}, "insert cpu-a UID=5A3C71E2",
     "error a card with UID 5A3C71E2 is in the field", ""},
    {"insert_a_uid_of_another_length", {}, "insert ultralight UID=5A3C71E2", "error", ""},
    {"insert_a_uid_without_its_name", {}, "insert mifare1k 5A3C71E2", "error", ""},
    {"insert_the_cascade_tag_as_first_byte", {}, "insert mifare1k UID=88010203", "error", ""},
    {"insert_an_unknown_kind", {}, "insert mifare2k", "error unknown card kind mifare2k", ""},
    {"remove_by_uid", {"mifare1k", "cpu-b"}, "remove 1c935e07",
     "ok 1 cpu-b 1C935E07", "ok 1 mifare1k 5A3C71E2"},
    {"remove_every_card_of_a_kind", {"mifare1k", "cpu-b", "mifare1k"}, "remove mifare1k",
     "ok 2 mifare1k 5A3C71E2 mifare1k 5A3C71E3", "ok 1 cpu-b 1C935E07"},
    {"remove_all", {"sr176", "iso15693"}, "remove all",
     "ok 2 sr176 D0020B55317E9004 iso15693 E007C6A15233108E", "ok 0"},
    {"remove_a_uid_not_in_the_field", {"mifare1k"}, "remove 5A3C71E3", "error", ""},
    {"remove_neither_kind_nor_uid", {"mifare1k"}, "remove everything", "error", ""},
    {"save_of_a_processor_card", {"cpu-b"}, "save cpu-b card.bin", "error", ""},
    {"save_of_a_kind_with_two_cards", {"mifare1k", "mifare1k"}, "save mifare1k card.bin",
     "error 2 mifare1k cards", ""},
    {"load_by_kind", {"mifare1k"}, "load mifare1k card.bin", "error", ""},
    {"load_of_a_missing_file", {"mifare1k"}, "load 5A3C71E2 /nonexistent/card.bin",
     "error cannot read /nonexistent/card.bin", ""},
    {"unknown_command", {"mifare1k"}, "eject", "error unknown command eject", ""},
    {"empty_line", {"mifare1k"}, "   ", "error", ""},
    {"line_too_long", {"mifare1k"}, "remove all" + std::string(4090, ' '), "error", ""},
    {"control_bytes_never_break_the_answer_line", {}, "insert a\rb",
     "error unknown card kind a?b", ""},
};
// clang-format on

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, AnswerOneLineAndChangeTheFieldOnlyWhenOk) {
    const CommandCase &c = GetParam();
    Control control(c.field);
    const std::string before = control.field();
    const std::string answer = control.run(c.line);
    EXPECT_EQ(answer.substr(0, c.answer_start.size()), c.answer_start) << answer;
    EXPECT_EQ(answer.find('\n'), std::string::npos);
    if (c.answer_start.starts_with("error")) {
        EXPECT_GT(answer.size(), 6u) << "an error says why";
        EXPECT_EQ(control.field(), before);
    } else if (!c.field_after.empty()) {
        EXPECT_EQ(control.field(), c.field_after);
    }
}

INSTANTIATE_TEST_SUITE_P(Control, Commands, ::testing::ValuesIn(kCommands),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ControlField, ShortRangeCardsGetChipIdsNoOtherCardHas) {
    Control control({"sr176"});
    ASSERT_EQ(control.run("insert sr176 UID=D0020B5531000000"), "ok D0020B5531000000");
    ASSERT_EQ(control.run("insert sr176"), "ok D0020B55317E9005");
    std::vector<int> chip_ids;
    for (const auto &card : control.sim.reader().cards())
        chip_ids.push_back(dynamic_cast<const sim::ShortRangeCard &>(*card).chip_id());
    EXPECT_EQ(chip_ids, (std::vector<int>{0x06, 0x07, 0x08}));
}

// ---- Faults ----------------------------------------------------------------------

TEST(ControlFaults, AreArmedForTheLoopAndRefusedOnceUnplugged) {
    Control control({"mifare1k"});
    sim::LineFaults &faults = control.control.faults();
    const struct {
        const char *line;
        const char *answer;
    } steps[] = {
        {"fault silent 250", "ok"},
        {"fault garbage 7", "ok"},
        {"fault drop", "ok"},
        {"fault silent 0", "error"},
        {"fault silent 600001", "error"},
        {"fault garbage 1025", "error"},
        {"fault garbage -1", "error"},
        {"fault drop now", "error"},
        {"fault melt", "error"},
        {"fault", "error"},
    };
    for (const auto &step : steps) {
        const std::string answer = control.run(step.line);
        EXPECT_EQ(answer.substr(0, std::string(step.answer).size()), step.answer) << step.line;
    }
    EXPECT_EQ(faults.silence, std::chrono::milliseconds(250));
    EXPECT_EQ(faults.garbage, 7u);
    EXPECT_TRUE(faults.cut_next_answer);
    EXPECT_FALSE(faults.unplugged);

    EXPECT_EQ(control.run("fault unplug"), "ok");
    EXPECT_TRUE(faults.unplugged);
    EXPECT_EQ(control.run("fault drop").substr(0, 5), "error");
    EXPECT_EQ(control.run("remove all"), "ok 1 mifare1k 5A3C71E2") << "the field still answers";
}

// ---- Raw dumps -------------------------------------------------------------------

struct DumpCase {
    const char *kind;
    std::size_t size;
    // Reads one block or page through the reader and says where the dump holds it.
    std::function<Bytes(SimReader &)> read;
    std::size_t offset;
    // A byte the card never writes; the size when it has none.
    std::size_t fixed_byte;
};

void PrintTo(const DumpCase &c, std::ostream *os) { *os << c.kind; }

Bytes select_and_read(SimReader &sim, char protocol, Command read, std::uint8_t block) {
    sim.power_up(protocol);
    EXPECT_TRUE(sim.send(Command::StSelect).ok());
    return sim.send(read, {block}).data;
}

// Not addressed: the UID in the request is not looked at.
Bytes read_tag_block(SimReader &sim, std::uint8_t block) {
    sim.power_up('1');
    return sim.send(Command::ReadBlocks15693, cat({{0x02}, Bytes(8, 0), {block, 1}})).data;
}

const DumpCase kDumps[] = {
    {"mifare1k", 1024,
     [](SimReader &sim) {
         sim.select_and_authenticate(4);
         return sim.send(Command::ReadBlock, {5}).data;
     },
     5 * 16, 3},
    {"mifare4k", 4096,
     [](SimReader &sim) {
         sim.select_and_authenticate(200);
         return sim.send(Command::ReadBlock, {201}).data;
     },
     201 * 16, 15},
    {"ultralight", 64,
     [](SimReader &sim) {
         sim.power_up('A');
         EXPECT_TRUE(sim.send(Command::RequestA, {0x52}).ok());
         EXPECT_TRUE(sim.send(Command::UltralightSelect).ok());
         return sim.send(Command::ReadBlock, {6}).data;
     },
     6 * 4, 9},
    {"sr176", 32, [](SimReader &sim) { return select_and_read(sim, 's', Command::Sr176Read, 5); },
     5 * 2, 31},
    {"srix4k", 516,
     [](SimReader &sim) { return select_and_read(sim, 's', Command::Srix4kRead, 20); }, 20 * 4,
     516},
    {"iso15693", 256, [](SimReader &sim) { return read_tag_block(sim, 3); }, 3 * 4, 256},
    {"icode", 112, [](SimReader &sim) { return read_tag_block(sim, 27); }, 27 * 4, 112},
    {"at88rf020", 256,
     [](SimReader &sim) {
         sim.power_up('r');
         EXPECT_TRUE(sim.send(Command::RequestB, {0x00}).ok());
         return sim.send(Command::At020Read, {9}).data;
     },
     9 * 8, 1},
};

class Dumps : public ::testing::TestWithParam<DumpCase> {
protected:
    Control control{{GetParam().kind}};
    Files files;
    std::string uid = control.field().substr(control.field().rfind(' ') + 1);
};

TEST_P(Dumps, ALoadedBlockIsWhatTheReaderReadsAndASaveGivesItBack) {
    const DumpCase &c = GetParam();
    ASSERT_EQ(control.run("save " + std::string(c.kind) + " " + files.path("card.bin")),
              "ok " + std::to_string(c.size));
    Bytes dump = files.read("card.bin");
    ASSERT_EQ(dump.size(), c.size);
    const std::size_t block_size = c.read(control.sim).size();
    ASSERT_GT(block_size, 0u);
    for (std::size_t i = 0; i < block_size; ++i)
        dump[c.offset + i] = static_cast<std::uint8_t>(0x11 * (i + 1));
    files.write("changed.bin", dump);

    ASSERT_EQ(control.run("load " + uid + " " + files.path("changed.bin")),
              "ok " + std::to_string(c.size));
    EXPECT_EQ(c.read(control.sim),
              Bytes(dump.begin() + long(c.offset), dump.begin() + long(c.offset + block_size)));
    ASSERT_EQ(control.run("save " + uid + " " + files.path("again.bin")),
              "ok " + std::to_string(c.size));
    EXPECT_EQ(files.read("again.bin"), dump);
}

TEST_P(Dumps, ALoadOfTheWrongSizeOrOfAnotherCardsIdentityChangesNothing) {
    const DumpCase &c = GetParam();
    ASSERT_EQ(control.run("save " + uid + " " + files.path("card.bin")).substr(0, 2), "ok");
    const Bytes dump = files.read("card.bin");
    std::vector<Bytes> refused = {Bytes(dump.begin(), dump.end() - 1), cat({dump, {0x00}})};
    if (c.fixed_byte < c.size) {
        refused.push_back(dump);
        refused.back()[c.fixed_byte] ^= 0x01;
    }
    for (const Bytes &bad : refused) {
        files.write("bad.bin", bad);
        EXPECT_EQ(control.run("load " + uid + " " + files.path("bad.bin")).substr(0, 6), "error ")
            << bad.size() << " bytes";
        ASSERT_EQ(control.run("save " + uid + " " + files.path("after.bin")).substr(0, 2), "ok");
        EXPECT_EQ(files.read("after.bin"), dump);
    }
}

INSTANTIATE_TEST_SUITE_P(Control, Dumps, ::testing::ValuesIn(kDumps),
                         [](const auto &info) { return std::string(info.param.kind); });

TEST(ControlDumps, TheSrix4kLockRegisterTravelsInTheSystemBlockAndA512ByteLoadLeavesIt) {
    Control control({"srix4k"});
    Files files;
    ASSERT_EQ(control.run("save srix4k " + files.path("card.bin")), "ok 516");
    Bytes dump = files.read("card.bin");
    EXPECT_EQ(Bytes(dump.begin() + 512, dump.end()), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    dump[512] = 0x7E;
    files.write("locked.bin", dump);
    ASSERT_EQ(control.run("load D0020C4B1372A9E5 " + files.path("locked.bin")), "ok 516");
    files.write("blocks.bin", Bytes(dump.begin(), dump.begin() + 512));
    ASSERT_EQ(control.run("load D0020C4B1372A9E5 " + files.path("blocks.bin")), "ok 512");
    EXPECT_EQ(control.sim.card<sim::Srix4k>().lock_register(), 0x7E);
}

TEST(ControlDumps, FilesThatAreNoDumpAreRefusedWithoutWaitingAndASaveReplacesAWholeFile) {
    Control control({"ultralight"});
    Files files;
    const std::string uid = "046E315A2B4880";
    ASSERT_EQ(::mkfifo(files.path("fifo").c_str(), 0600), 0);
    files.write("huge.bin", Bytes(sim::ReaderControl::kLargestDump + 1, 0));
    for (const char *name : {"fifo", "huge.bin", ""}) {
        EXPECT_EQ(control.run("load " + uid + " " + files.path(name)).substr(0, 6), "error ")
            << name;
    }
    // A name with spaces, over a longer file: the save replaces it whole.
    files.write("my card.bin", Bytes(1000, 0xEE));
    ASSERT_EQ(control.run("save " + uid + " " + files.path("my card.bin") + "  "), "ok 64");
    EXPECT_EQ(files.read("my card.bin").size(), 64u);
    EXPECT_EQ(control.run("save " + uid + " " + files.path("")).substr(0, 6), "error ");
    EXPECT_EQ(std::distance(fs::directory_iterator(files.path("")), {}), 3)
        << "no file left behind";
}

// ---- Lines -----------------------------------------------------------------------

TEST(ControlLines, AreCutAtLineEndsWhateverTheChunks) {
    const struct {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        std::optional<std::string> rest;
    } cases[] = {
        {{"cards\nremove all\r\n"}, {"cards", "remove all"}, std::nullopt},
        {{"ca", "rds", "\n", "\n"}, {"cards", ""}, std::nullopt},
        {{"cards\ninsert mif", "are1k"}, {"cards"}, "insert mifare1k"},
        {{std::string(5000, 'x') + "\ncards\n"}, {std::string(4097, 'x'), "cards"}, std::nullopt},
    };
    for (const auto &c : cases) {
        sim::CommandLines lines;
        for (const auto &chunk : c.chunks) lines.feed(chunk);
        std::vector<std::string> got;
        while (auto line = lines.next()) got.push_back(*line);
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(lines.rest(), c.rest);
    }
}

}  // namespace
