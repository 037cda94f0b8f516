// rfcard's work on files, run as a user runs it and without a reader: dumps
// other tools wrote decoded by view, standard input and output standing in for
// files, and a file that is missing, a folder or cannot be written.

#include <fstream>
#include <sstream>

#include "cardkit/dump_formats.h"
#include "rfcard_fixture.h"

namespace {

using rfcard_test::RfcardTest;

class Files : public RfcardTest {
protected:
    static std::string data_file(const std::string &name) {
        return std::string(TILVANE_TEST_DATA "/dumps/") + name;
    }
    static std::string content_of(const std::string &file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
};

TEST_F(Files, ViewDecodesDumpsOtherToolsWrote) {
    for (const char *name : {"mct-example-dump-file.mct", "flipper-classic1k-v2.nfc",
                             "flipper-ntag213-locked-v3.nfc", "flipper-slix-default.nfc"}) {
        SCOPED_TRACE(name);
        const std::string file = data_file(name);
        const cardkit::CardDump dump = cardkit::import_dump(content_of(file), file);
        const auto text = rfcard({"view", file});
        EXPECT_EQ(text.status, 0) << text.err;
        EXPECT_EQ(text.out.rfind(dump.description() + "\n", 0), 0u) << text.out;

        const auto view = rfcard_json({"view", file}, 0);
        EXPECT_EQ(view["card"], dump.description());
        const auto &uid = dump.identity().uid;
        EXPECT_EQ(view["facts"]["UID"], uid.empty() ? "unknown" : cardkit::to_hex(uid));
        if (dump.family() == cardkit::CardFamily::MifareClassic) {
            ASSERT_EQ(view["sectors"].size(), static_cast<std::size_t>(dump.sector_count()));
            for (int sector = 0; sector < dump.sector_count(); ++sector) {
                const auto &shown = view["sectors"][static_cast<std::size_t>(sector)];
                const auto key = dump.key(sector, cardkit::KeyType::A);
                EXPECT_EQ(shown["key_a"], key ? nlohmann::json(cardkit::to_hex(*key)) : nullptr);
                EXPECT_EQ(shown["access_valid"], dump.access_bits(sector).has_value());
                EXPECT_EQ(shown["blocks"].size(),
                          static_cast<std::size_t>(cardkit::blocks_in_sector(sector)));
            }
            continue;
        }
        ASSERT_EQ(view["blocks"].size(), static_cast<std::size_t>(dump.block_count()));
        for (int block = 0; block < dump.block_count(); ++block) {
            const auto &shown = view["blocks"][static_cast<std::size_t>(block)];
            EXPECT_EQ(shown["bytes"], cardkit::to_hex(dump.block(block))) << block;
            if (const auto &security = dump.block_security()) {
                EXPECT_EQ(shown["locked"], (*security)[static_cast<std::size_t>(block)] != 0)
                    << block;
            }
        }
    }
}

TEST_F(Files, StandardInputAndOutputStandInForFiles) {
    const std::string file = data_file("mct-example-dump-file.mct");
    const std::string mct = content_of(file);
    const cardkit::CardDump dump = cardkit::import_dump(mct, file);
    const struct {
        const char *name;
        std::vector<std::string> arguments;
        std::string input;
        int status;
        std::function<void(const test_support::ProgramRun &)> check;
    } rows[] = {
        {"view -",
         {"view", "-"},
         mct,
         0,
         [&](const auto &run) { EXPECT_EQ(run.out.rfind(dump.description(), 0), 0u); }},
        {"convert - FILE",
         {"convert", "-", path("in.json")},
         mct,
         0,
         [&](const auto &) { EXPECT_EQ(read_dump("in.json").block(4)[0], dump.block(4)[0]); }},
        {"convert FILE -",
         {"convert", file, "-", "--format", "eml"},
         "",
         0,
         [&](const auto &run) {
             const auto eml =
                 cardkit::import_dump(run.out, {}, {.format = cardkit::DumpFormat::Eml});
             for (int block = 0; block < dump.block_count(); ++block)
                 EXPECT_TRUE(std::ranges::equal(eml.block(block), dump.block(block))) << block;
         }},
        {"diff - FILE",
         {"--json", "diff", "-", file},
         mct,
         0,
         [](const auto &run) {
             EXPECT_NE(run.out.find("\"identical\": true"), std::string::npos);
         }},
        // Standard input holds the dump: it cannot answer the question as well.
        {"restore - of trailers",
         {"mf", "restore", "-", "--include-trailers"},
         mct,
         2,
         [](const auto &run) { EXPECT_NE(run.err.find("add --yes"), std::string::npos); }},
        {"a dictionary on standard input",
         {"mf", "dump", "-f", "-"},
         "FFFF\n",
         3,
         [](const auto &run) {
             EXPECT_NE(run.err.find("standard input: no key"), std::string::npos) << run.err;
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const auto run = rfcard(row.arguments, row.input);
        EXPECT_EQ(run.status, row.status) << run.err;
        row.check(run);
    }
}

TEST_F(Files, AFileMissingUnreadableOrUnwritableIsStatus3WithThePathAndWhy) {
    const std::string dump = data_file("mct-example-dump-file.mct");
    const std::string folder = directory_.string();
    const struct {
        std::vector<std::string> arguments;
        std::string named;
        const char *why;
    } rows[] = {
        {{"view", path("none.mct")}, path("none.mct"), "No such file or directory"},
        {{"view", folder}, folder, "Is a directory"},
        {{"diff", dump, path("none.mct")}, path("none.mct"), "No such file or directory"},
        {{"convert", path("none.mct"), path("out.json")}, path("none.mct"), "No such file"},
        {{"convert", dump, path("no-folder/out.json")},
         path("no-folder/out.json"),
         "No such file or directory"},
        {{"convert", dump, folder}, folder, "Is a directory"},
        {{"mf", "restore", path("none.mct")}, path("none.mct"), "No such file or directory"},
        {{"mf", "restore", dump, "--log", path("no-folder/restore.log")},
         path("no-folder/restore.log"),
         "No such file or directory"},
        {{"mf", "restore", dump, "--resume", path("none.log")},
         path("none.log"),
         "No such file or directory"},
        {{"mf", "dump", "-f", path("none.dic")}, path("none.dic"), "No such file or directory"},
        // Checked before the reader is looked for: there is none here.
        {{"mf", "dump", "-o", path("no-folder/card.mct")},
         path("no-folder/card.mct"),
         "No such file or directory"},
        {{"srix", "dump", "-o", folder}, folder, "Is a directory"},
    };
    for (const auto &row : rows) {
        const auto run = rfcard(row.arguments);
        EXPECT_EQ(run.status, 3) << row.arguments.front() << " " << row.named << ": " << run.err;
        EXPECT_NE(run.err.find(row.named + ": "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(row.why), std::string::npos) << run.err;
    }
}

}  // namespace
