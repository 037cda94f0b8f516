// The command history without the widgets: its rules, its file format, reading
// files that do not keep to that format, and writing that never loses the old
// file.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/cos_history.h"
#include "common/cos_history_file.h"

namespace {

namespace fs = std::filesystem;
using tilvane::CosHistory;
using Entries = std::vector<std::string>;

Entries EntriesOf(const CosHistory &history) {
    return {history.entries().begin(), history.entries().end()};
}

CosHistory HistoryOf(const Entries &entries) {
    CosHistory history;
    for (const std::string &entry : entries) history.Add(entry);
    return history;
}

// A 4-byte little-endian word, as the file holds its count and lengths.
std::string Word(std::uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8),
            static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
}

std::string Entry(const std::string &text) {
    return Word(static_cast<std::uint32_t>(text.size())) + text;
}

std::string Read(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

Entries Numbered(int first, int count) {
    Entries entries;
    for (int i = first; i < first + count; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%04X", i);
        entries.push_back(text);
    }
    return entries;
}

TEST(CosHistoryRules, EqualNeighboursCollapseAndTheNewest201Stay) {
    struct Case {
        const char *name;
        Entries added;
        Entries kept;
    };
    const Entries many = Numbered(0, 250);
    const Case cases[] = {
        {"the same twice", {"0084000008", "0084000008"}, {"0084000008"}},
        {"A, B, A", {"0A", "0B", "0A"}, {"0A", "0B", "0A"}},
        {"two empty commands", {"", ""}, {""}},
        {"250 different", many, Entries(many.end() - 201, many.end())},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(EntriesOf(HistoryOf(c.added)), c.kept) << c.name;
    }
}

TEST(CosHistoryFile, HoldsTheCountThenEachLengthAndText) {
    const CosHistory history = HistoryOf({"00A4", ""});
    EXPECT_EQ(tilvane::EncodeCosHistory(history),
              std::string("\x02\0\0\0\x04\0\0\0" "00A4" "\0\0\0\0", 16));
}

TEST(CosHistoryFile, ReadingKeepsWhatTheFileReallyHolds) {
    struct Case {
        const char *name;
        std::string bytes;
        Entries read;
    };
    const std::string longest(tilvane::kMaxEntryDigits, 'F');
    const Entries many = Numbered(0, 205);
    std::string many_bytes = Word(205);
    for (const std::string &entry : many) many_bytes += Entry(entry);
    const Case cases[] = {
        {"empty file", "", {}},
        {"count cut short", std::string("\x01\0", 2), {}},
        {"count beyond the entries", Word(5) + Entry("AB") + Entry("CD"), {"AB", "CD"}},
        {"huge count", Word(0xFFFFFFFF) + Entry("AB"), {"AB"}},
        {"count below the entries", Word(1) + Entry("AB") + Entry("CD"), {"AB"}},
        {"length cut short", Word(2) + Entry("AB") + std::string("\x02\0", 2), {"AB"}},
        {"length beyond the file", Word(3) + Entry("AB") + Word(10) + "CDEF", {"AB"}},
        {"huge length", Word(2) + Entry("AB") + Word(0xFFFFFFFF) + "CD", {"AB"}},
        {"odd digits skipped", Word(3) + Entry("ABC") + Entry("") + Entry("12"), {"", "12"}},
        {"non-hex skipped", Word(3) + Entry("00G1") + Entry("0a b") + Entry("ab"), {"ab"}},
        {"502 digits kept, 504 skipped",
         Word(2) + Entry(longest) + Entry(longest + "FF"), {longest}},
        {"equal neighbours collapse", Word(3) + Entry("AB") + Entry("AB") + Entry("CD"),
         {"AB", "CD"}},
        {"only the newest 201", many_bytes, Entries(many.end() - 201, many.end())},
    };
    for (const Case &c : cases) {
        std::istringstream in(c.bytes);
        EXPECT_EQ(EntriesOf(tilvane::ReadCosHistory(in)), c.read) << c.name;
    }
}

class CosHistoryDisk : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("cos_history_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override {
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root_);
    }
    std::vector<fs::path> Files() const {
        std::vector<fs::path> files;
        for (const auto &entry : fs::recursive_directory_iterator(root_)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
        return files;
    }

    fs::path root_;
};

TEST_F(CosHistoryDisk, WritesIntoAMissingDirectoryAndReadsBack) {
    const fs::path file = root_ / "Velomar/Tilvane/cosbooks.j";
    const CosHistory history = HistoryOf({"0084000008", "", "00A4040009F054494C56414E4501"});
    ASSERT_TRUE(tilvane::SaveCosHistory(file, history));
    EXPECT_EQ(tilvane::LoadCosHistory(file), history);
    // Replacing it leaves one file, with the new history.
    ASSERT_TRUE(tilvane::SaveCosHistory(file, CosHistory{}));
    EXPECT_EQ(Read(file), Word(0));
    EXPECT_EQ(Files(), std::vector<fs::path>{file});
    EXPECT_TRUE(tilvane::LoadCosHistory(root_ / "missing.j").empty());
}

TEST_F(CosHistoryDisk, AWriteCutShortLeavesTheOldFileWhole) {
    const fs::path file = root_ / "cosbooks.j";
    const CosHistory old = HistoryOf({"0084000008"});
    ASSERT_TRUE(tilvane::SaveCosHistory(file, old));
    const std::string old_bytes = Read(file);

    // A file may not grow past 64 bytes (a full disk, as far as the writer sees).
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved_new = tilvane::SaveCosHistory(file, HistoryOf(Numbered(0, 40)));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous_handler);

    EXPECT_FALSE(saved_new);
    EXPECT_EQ(Read(file), old_bytes);
    EXPECT_EQ(Files(), std::vector<fs::path>{file});  // no half-written file left
}

TEST_F(CosHistoryDisk, AnUnwritableDirectoryLeavesTheOldFileWhole) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    const fs::path file = root_ / "cosbooks.j";
    ASSERT_TRUE(tilvane::SaveCosHistory(file, HistoryOf({"0084000008"})));
    const std::string old_bytes = Read(file);
    fs::permissions(root_, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(tilvane::SaveCosHistory(file, HistoryOf({"00B0000000"})));
    EXPECT_EQ(Read(file), old_bytes);
}

}  // namespace
