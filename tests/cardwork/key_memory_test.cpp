// Keys remembered per card: kept across runs, merged, and never lost to a file
// that cannot be read or written.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

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
    // A directory where the new file would go makes the replacement fail.
    std::filesystem::create_directories(directory_ / "keys" / "5A3C71E2.mct.new" / "x");
    EXPECT_FALSE(memory_.remember(dump_with(1, KeyType::A, kNew), warning_));
    EXPECT_NE(warning_.find("cannot remember"), std::string::npos);
    EXPECT_EQ(memory_.recall(kUid, MifareType::Classic1K, warning_).key(1, KeyType::A), kOld);
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
