// Files rfcard writes: whole or not at all, a dump that holds keys the user's
// alone unless the file was there before, and the restore log read back as it
// was written while anything else is refused.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "dump_files.h"
#include "restore_log.h"

namespace {

namespace fs = std::filesystem;
using cardkit::CardDump;

class WrittenFiles : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(directory_);
        mask_ = ::umask(022);
    }
    void TearDown() override {
        ::umask(mask_);
        fs::remove_all(directory_);
    }

    std::string path(const std::string &name) const { return (directory_ / name).string(); }
    mode_t mode_of(const std::string &name) const {
        struct stat status {};
        ::stat(path(name).c_str(), &status);
        return status.st_mode & 07777;
    }
    std::string content_of(const std::string &name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    static CardDump with_key() {
        CardDump dump = CardDump::mifare_classic(cardkit::MifareType::Classic1K);
        dump.set_key(1, cardkit::KeyType::A, {1, 2, 3, 4, 5, 6});
        return dump;
    }

    fs::path directory_ = fs::temp_directory_path() / ("rfcard-files-" + std::to_string(getpid()));
    mode_t mask_ = 022;
    rfcard::Output out_{true};
};

TEST_F(WrittenFiles, ADumpHoldingKeysIsTheUsersAloneUnlessTheFileWasThere) {
    const std::string slix_file = TILVANE_TEST_DATA "/dumps/flipper-slix-accept-all.nfc";
    const struct {
        const char *name;
        CardDump dump;
        const char *file;
        std::optional<mode_t> there;
        mode_t mode;
    } rows[] = {
        {"keys, a new file", with_key(), "keys.mct", std::nullopt, 0600},
        {"keys, over a file of its own mode", with_key(), "old-keys.mct", 0644, 0644},
        {"no keys, a new file", CardDump::mifare_classic(cardkit::MifareType::Mini), "plain.mct",
         std::nullopt, 0644},
        {"no keys, over a file of its own mode", CardDump::ultralight(), "plain.json", 0640, 0640},
        {"a tag's passwords", rfcard::load_dump(slix_file), "slix.nfc", std::nullopt, 0600},
    };
    for (const auto &row : rows) {
        if (row.there) {
            std::ofstream(path(row.file)) << "old";
            ::chmod(path(row.file).c_str(), *row.there);
        }
        const auto format = *cardkit::format_from_file_name(row.file);
        rfcard::save_dump(out_, row.dump, path(row.file), format);
        EXPECT_EQ(mode_of(row.file), row.mode) << row.name;
        EXPECT_EQ(content_of(row.file), cardkit::export_dump(row.dump, format).content) << row.name;
    }
}

TEST_F(WrittenFiles, AWriteCutShortLeavesTheOldFileAndNothingBesideIt) {
    std::ofstream(path("card.mct")) << "old";
    // A file size limit cuts the new file short (it binds root as well).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int status = 0;
    try {
        rfcard::save_dump(out_, with_key(), path("card.mct"), cardkit::DumpFormat::Mct);
    } catch (const rfcard::ToolError &error) {
        status = error.code();
    }
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_EQ(status, rfcard::kExitBadInput);
    EXPECT_EQ(content_of("card.mct"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(directory_), {}), 1);
}

TEST_F(WrittenFiles, ALinkIsFollowedAndStaysALink) {
    std::ofstream(path("target.mct")) << "old";
    fs::create_symlink(path("target.mct"), path("link.mct"));
    rfcard::save_dump(out_, with_key(), path("link.mct"), cardkit::DumpFormat::Mct);
    EXPECT_TRUE(fs::is_symlink(path("link.mct")));
    EXPECT_EQ(content_of("target.mct"),
              cardkit::export_dump(with_key(), cardkit::DumpFormat::Mct).content);
}

TEST_F(WrittenFiles, ARestoreLogReadsBackAsWrittenAndAnythingElseIsRefused) {
    const rfcard::RestoreLog log{
        "card.mct", rfcard::content_digest("a dump"), "5A3C71E2", {1, 2, 4}, {5, 6}, 5, false};
    rfcard::write_restore_log(path("card.log"), log);
    const rfcard::RestoreLog read = rfcard::read_restore_log(path("card.log"));
    EXPECT_EQ(read.dump_digest, log.dump_digest);
    EXPECT_EQ(read.uid, log.uid);
    EXPECT_EQ(read.written, log.written);
    EXPECT_EQ(read.not_written, log.not_written);
    EXPECT_EQ(read.in_doubt, log.in_doubt);
    EXPECT_NE(rfcard::content_digest("a dump"), rfcard::content_digest("a dumq"));

    const std::string good = content_of("card.log");
    const auto replaced = [&](const std::string &from, const std::string &to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to);
    };
    for (const std::string &bad :
         {std::string("not json"), replaced("rfcard_restore_log", "something_else"),
          replaced("\"written\"", "\"writ\""), replaced("\"uid\": \"5A3C71E2\"", "\"uid\": 7"),
          replaced("4\n", "300\n")}) {
        std::ofstream(path("bad.log"), std::ios::trunc) << bad;
        EXPECT_THROW(rfcard::read_restore_log(path("bad.log")), rfcard::ToolError) << bad;
    }
}

}  // namespace
