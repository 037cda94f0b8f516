// The keys a Mifare command tries, from -k and -f as card-tool users give them:
// the order a sector tries them in, each key once, and a dictionary's faults
// named with its file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cardkit/key_dictionary.h"
#include "key_options.h"
#include "tool_error.h"

namespace {

using cardkit::MifareKey;

const MifareKey kA = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
const MifareKey kB = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
const MifareKey kC = {0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5};

class KeyOptions : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(directory_); }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    std::string file(const std::string &name, const std::string &content) const {
        const auto path = (directory_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::filesystem::path directory_ =
        std::filesystem::temp_directory_path() / ("rfcard-key-options-" + std::to_string(getpid()));
    rfcard::Output out_{true};  // JSON: the warnings are kept in the result
};

TEST_F(KeyOptions, KeysGivenComeFirstThenEachDictionaryKeyOnceThenTheDefaults) {
    const rfcard::KeyOptions options{
        {"C0C1C2C3C4C5", "c0:c1:c2:c3:c4:c5"},
        {file("one.dic", "B0B1B2B3B4B5\nA0A1A2A3A4A5\n"), file("two.keys", "A0A1A2A3A4A5\n")}};
    const auto order = rfcard::key_candidates(out_, options).for_sector(0, cardkit::KeyType::A);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(std::vector<MifareKey>(order.begin(), order.begin() + 3),
              (std::vector<MifareKey>{kC, kB, kA}));
    EXPECT_EQ(order.back(), cardkit::default_keys().back());
    EXPECT_FALSE(out_.data().contains("warnings"));
}

TEST_F(KeyOptions, WhatIsNoKeyIsNamedWithItsFileAndLine) {
    const struct {
        const char *name;
        rfcard::KeyOptions options;
        int status;                     // 0: the keys are taken
        std::vector<std::string> said;  // in the error, or else in the warnings
    } rows[] = {
        {"a dictionary's bad line",
         {{}, {file("bad-line.dic", "A0A1A2A3A4A5\nFFFF\n")}},
         0,
         {"bad-line.dic: line 2: \"FFFF\""}},
        {"many bad lines",
         {{}, {file("many.dic", "A0A1A2A3A4A5\n" + std::string(9, 'x') + "\n1\n2\n3\n4\n5\n6\n")}},
         0,
         {"many.dic: line 2", "2 more lines that are no key"}},
        {"a real file with bad lines",
         {{}, {std::string(TILVANE_TEST_DATA) + "/keys/flipper-community.nfc"}},
         0,
         {"flipper-community.nfc: line"}},
        {"a dictionary without any key",
         {{}, {file("none.dic", "# only a comment\nzz\n")}},
         rfcard::kExitBadInput,
         {"none.dic: no key in the file"}},
        {"a dictionary not there",
         {{}, {(directory_ / "absent.dic").string()}},
         rfcard::kExitBadInput,
         {"absent.dic: No such file or directory"}},
        {"a folder for a dictionary",
         {{}, {directory_.string()}},
         rfcard::kExitBadInput,
         {"Is a directory"}},
        {"a key too short",
         {{"A0A1A2A3A4"}, {}},
         rfcard::kExitUsage,
         {"-k A0A1A2A3A4 is not a key"}},
        {"a dictionary given as -k", {{"shop.dic"}, {}}, rfcard::kExitUsage, {"-f/--dict"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        rfcard::Output out(true);
        std::string said;
        int status = 0;
        try {
            rfcard::key_candidates(out, row.options);
            for (const auto &warning :
                 out.data().value("warnings", nlohmann::ordered_json::array()))
                said += warning.get<std::string>() + "\n";
        } catch (const rfcard::ToolError &error) {
            status = error.code();
            said = error.what();
        }
        EXPECT_EQ(status, row.status) << said;
        for (const std::string &words : row.said)
            EXPECT_NE(said.find(words), std::string::npos) << said;
    }
}

}  // namespace
