// Keys remembered per card: kept across runs, merged, never lost to a file that
// cannot be read or written, and open to no other user.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <optional>

#include "cardwork/key_memory.h"

namespace {

using cardkit::KeyType;
using cardkit::MifareType;

const cardkit::MifareKey kOld = {1, 2, 3, 4, 5, 6};
const cardkit::MifareKey kNew = {6, 5, 4, 3, 2, 1};
const cardkit::Bytes kUid = {0x5A, 0x3C, 0x71, 0xE2};

class KeyMemory : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove_all(directory_); }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    cardkit::CardDump dump_with(int sector, KeyType type, const cardkit::MifareKey &key) {
        cardkit::CardDump dump = cardkit::CardDump::mifare_classic(MifareType::Classic1K);
        dump.set_identity({kUid});
        dump.set_key(sector, type, key);
        return dump;
    }

    std::filesystem::path directory_ =
        std::filesystem::temp_directory_path() / ("rfcard-keys-" + std::to_string(getpid()));
    cardwork::KeyMemory memory_{directory_ / "keys"};
    std::string warning_;
};

TEST_F(KeyMemory, KeysFoundAreRecalledForTheSameCardAndMerged) {
    EXPECT_EQ(memory_.recall(kUid, MifareType::Classic1K, warning_),
              cardkit::CardDump::mifare_classic(MifareType::Classic1K));
    ASSERT_TRUE(memory_.remember(dump_with(1, KeyType::A, kOld), warning_));
    cardkit::CardDump later = dump_with(1, KeyType::A, kNew);
    later.set_key(4, KeyType::B, kOld);
    ASSERT_TRUE(memory_.remember(later, warning_));

    const auto recalled = memory_.recall(kUid, MifareType::Classic1K, warning_);
    EXPECT_EQ(recalled.key(1, KeyType::A), kNew);
    EXPECT_EQ(recalled.key(4, KeyType::B), kOld);
    EXPECT_FALSE(recalled.key(4, KeyType::A));
    // Only keys: no data block is kept.
    EXPECT_TRUE(recalled.block_unknown(5));
    EXPECT_TRUE(warning_.empty());
    // Another card knows nothing of them.
    EXPECT_FALSE(memory_.recall({1, 2, 3, 4}, MifareType::Classic1K, warning_).key(1, KeyType::A));
}

TEST_F(KeyMemory, AnUnreadableFileIsReportedAndTakenAsNoKeys) {
    std::filesystem::create_directories(directory_ / "keys");
    std::ofstream(directory_ / "keys" / "5A3C71E2.mct") << "+Sector: 0\nnot hex\n";
    const auto recalled = memory_.recall(kUid, MifareType::Classic1K, warning_);
    EXPECT_FALSE(recalled.key(0, KeyType::A));
    EXPECT_NE(warning_.find("5A3C71E2.mct cannot be read"), std::string::npos) << warning_;
}

TEST_F(KeyMemory, AFailedWriteKeepsWhatWasRememberedBefore) {
    ASSERT_TRUE(memory_.remember(dump_with(1, KeyType::A, kOld), warning_));
    // A file size limit cuts the new file short (it binds root as well).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool remembered = memory_.remember(dump_with(1, KeyType::A, kNew), warning_);
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_FALSE(remembered);
    EXPECT_NE(warning_.find("cannot remember"), std::string::npos);
    EXPECT_EQ(memory_.recall(kUid, MifareType::Classic1K, warning_).key(1, KeyType::A), kOld);
    // Nothing is left beside the file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory_ / "keys"), {}), 1);
}

TEST_F(KeyMemory, KeysAreTheUsersAloneAndWhatWasOpenIsTightenedWithANote) {
    const struct {
        const char *name;
        std::optional<mode_t> folder, file;  // as found; nullopt: not there
        std::vector<std::string> noted;
    } rows[] = {
        {"nothing there yet", std::nullopt, std::nullopt, {}},
        {"private already", 0700, 0600, {}},
        {"an open folder", 0755, 0600, {"folder", "0755"}},
        {"an open file", 0700, 0644, {"file", "0644"}},
        {"both open", 0755, 0644, {"folder", "0755", "file", "0644"}},
    };
    const auto folder = directory_ / "keys";
    const auto file = folder / "5A3C71E2.mct";
    const auto mode_of = [](const std::filesystem::path &path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        return status.st_mode & 07777;
    };
    for (const auto &row : rows) {
        std::filesystem::remove_all(directory_);
        if (row.folder) {
            std::filesystem::create_directories(folder);
            ::chmod(folder.c_str(), *row.folder);
        }
        if (row.file) {
            std::ofstream(file) << "+Sector: 0\n";
            ::chmod(file.c_str(), *row.file);
        }
        std::string note;
        ASSERT_TRUE(memory_.remember(dump_with(1, KeyType::A, kOld), warning_, note)) << warning_;
        EXPECT_EQ(mode_of(folder), 0700u) << row.name;
        EXPECT_EQ(mode_of(file), 0600u) << row.name;
        EXPECT_EQ(note.empty(), row.noted.empty()) << row.name << ": " << note;
        for (const std::string &word : row.noted)
            EXPECT_NE(note.find(word), std::string::npos) << row.name << ": " << note;
    }
}

TEST(KeyMemoryDirectory, FollowsXdgDataHomeElseHome) {
    const struct {
        const char *xdg, *home, *directory;
    } rows[] = {
        {"/data", "/home/op", "/data/Velomar/rfcard/keys"},
        // A relative XDG_DATA_HOME is to be ignored.
        {"data", "/home/op", "/home/op/.local/share/Velomar/rfcard/keys"},
        {nullptr, "/home/op", "/home/op/.local/share/Velomar/rfcard/keys"},
        {nullptr, nullptr, ""},
    };
    const std::string xdg = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
    const std::string home = getenv("HOME") ? getenv("HOME") : "";
    const auto set = [](const char *name, const char *value) {
        value ? setenv(name, value, 1) : unsetenv(name);
    };
    for (const auto &row : rows) {
        set("XDG_DATA_HOME", row.xdg);
        set("HOME", row.home);
        EXPECT_EQ(cardwork::KeyMemory::default_directory(), row.directory);
    }
    set("XDG_DATA_HOME", xdg.empty() ? nullptr : xdg.c_str());
    set("HOME", home.empty() ? nullptr : home.c_str());
}

}  // namespace
