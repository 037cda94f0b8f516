// The files and words of rfcard's batches: CSV fields quoted as RFC 4180 has
// them and read back, the log's header and appending, the UID list in both its
// forms, the block lists and times of a record, and the command lines refused
// before any card.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "batch_log.h"
#include "batch_report.h"
#include "cardkit/bytes.h"
#include "cardkit/dump_formats.h"
#include "commands.h"
#include "csv.h"
#include "uid_list.h"

namespace {

using rfcard::CsvRecord;

class TestDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("rfcard-batch-" +
                      std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                      "-" + std::to_string(getpid()));
        std::filesystem::remove_all(directory_);
        std::filesystem::create_directories(directory_);
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    std::string path(const std::string &name) const { return (directory_ / name).string(); }
    void write(const std::string &name, const std::string &content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    std::string read(const std::string &name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::filesystem::path directory_;
};

TEST(Csv, FieldsAreQuotedOnlyWhenTheyMustBeWithTheirQuotesDoubled) {
    const struct {
        const char *text;
        const char *written;
    } rows[] = {
        {"", ""},
        {"5A3C71E2", "5A3C71E2"},
        {"1-2 4-6", "1-2 4-6"},                // spaces need no quotes
        {" lead", " lead"},                    // nor spaces at the ends
        {"a,b", "\"a,b\""},                    // comma
        {"say \"no\"", "\"say \"\"no\"\"\""},  // quotes, doubled
        {"\"", "\"\"\"\""},
        {"one\ntwo", "\"one\ntwo\""},  // LF
        {"one\rtwo", "\"one\rtwo\""},  // CR
        {"one\r\ntwo", "\"one\r\ntwo\""},
        {"it's; fine", "it's; fine"},
    };
    for (const auto &row : rows) EXPECT_EQ(rfcard::csv_field(row.text), row.written) << row.text;
    EXPECT_EQ(rfcard::csv_record({"a", "b,c", ""}), "a,\"b,c\",\r\n");
}

TEST(Csv, RecordsReadBackWhateverTheirFieldsHold) {
    const CsvRecord tricky = {"", "a,b", "say \"no\"", "one\r\ntwo", "\"", "x"};
    const std::string text = rfcard::csv_record({"h1", "h2", "h3", "h4", "h5", "h6"}) +
                             rfcard::csv_record(tricky) + "\r\n" +  // an empty line between
                             "p,q,r,s,t,u\n" +                      // a LF alone ends one too
                             "last,\"\",,,,end";                    // and the end of the text
    std::string error;
    const auto records = rfcard::parse_csv(text, error);
    ASSERT_TRUE(records) << error;
    ASSERT_EQ(records->size(), 4u);
    EXPECT_EQ((*records)[1], tricky);
    EXPECT_EQ((*records)[2], (CsvRecord{"p", "q", "r", "s", "t", "u"}));
    EXPECT_EQ((*records)[3], (CsvRecord{"last", "", "", "", "", "end"}));
}

TEST(Csv, BrokenTextIsRefusedWithItsLine) {
    const struct {
        const char *text;
        const char *error;
    } rows[] = {
        {"a,b\r\n\"open,\r\nc\r\n", "line 2: a quoted field that never ends"},
        {"a,\"b\"c\r\n", "line 1: a character after a closing quote"},
        {"a\r\nb\"c\"\r\n", "line 2: a quote inside an unquoted field"},
        {"a\rb\r\n", "line 1: a CR outside quotes that ends no record"},
    };
    for (const auto &row : rows) {
        std::string error;
        EXPECT_FALSE(rfcard::parse_csv(row.text, error)) << row.text;
        EXPECT_EQ(error, row.error) << row.text;
    }
}

using BatchLogFile = TestDirectory;

TEST_F(BatchLogFile, HeaderOnlyWhenNewOrEmptyAndRecordsAppended) {
    const std::string header = rfcard::csv_record(rfcard::BatchLog::header());
    const CsvRecord row(rfcard::BatchLog::header().size(), "x");
    const std::string record = rfcard::csv_record(row);
    const struct {
        const char *name;
        std::optional<std::string> before;  // nullopt: no file
    } files[] = {
        {"new", std::nullopt},
        {"empty", ""},
        {"a log", header + record},
    };
    for (const auto &file : files) {
        const std::string name = std::string(file.name) + ".csv";
        if (file.before) write(name, *file.before);
        rfcard::BatchLog(path(name)).append(row);
        EXPECT_EQ(read(name),
                  (file.before && !file.before->empty() ? *file.before : header) + record)
            << file.name;
    }
}

TEST_F(BatchLogFile, ALastRecordCutShortIsEndedBeforeTheNext) {
    const std::string header = rfcard::csv_record(rfcard::BatchLog::header());
    // Written by a program with LF line ends and cut off in its last record.
    std::string lf_header = header;
    lf_header.erase(lf_header.size() - 2, 1);
    write("cut.csv", lf_header + "2025-01-01T00:00:00+00:00,5A3C");
    const CsvRecord row(rfcard::BatchLog::header().size(), "y");
    rfcard::BatchLog(path("cut.csv")).append(row);
    EXPECT_EQ(read("cut.csv"),
              lf_header + "2025-01-01T00:00:00+00:00,5A3C\r\n" + rfcard::csv_record(row));
}

TEST_F(BatchLogFile, AFileThatIsNoLogIsNeverWritten) {
    write("template.mct", "+Sector: 0\nFFFF\n");
    EXPECT_THROW(rfcard::BatchLog{path("template.mct")}, rfcard::ToolError);
    EXPECT_EQ(read("template.mct"), "+Sector: 0\nFFFF\n");
    EXPECT_THROW(rfcard::BatchLog{directory_.string()}, rfcard::ToolError);
    EXPECT_THROW(rfcard::BatchLog{path("missing/log.csv")}, rfcard::ToolError);
}

using UidList = TestDirectory;

TEST_F(UidList, AListOfUidsWithCommentsAndSeparators) {
    write("done.txt",
          "# cards issued on Monday\n5A3C71E2\n04 6E 31 5A 2B 48 80  # the Ultralight\n\n"
          "0b:0b:0b:0b\r\n");
    EXPECT_EQ(rfcard::read_uid_list(path("done.txt")),
              (std::set<cardkit::Bytes>{{0x5A, 0x3C, 0x71, 0xE2},
                                        {0x04, 0x6E, 0x31, 0x5A, 0x2B, 0x48, 0x80},
                                        {0x0B, 0x0B, 0x0B, 0x0B}}));
}

TEST_F(UidList, ALogCountsItsCardsWrittenOrVerifiedOnly) {
    std::string log = rfcard::csv_record(rfcard::BatchLog::header());
    const struct {
        const char *uid;
        const char *result;
    } cards[] = {{"01010101", "written"},
                 {"02020202", "verified"},
                 {"03030303", "failed"},
                 {"04040404", "partial"},
                 {"01010101", "skipped-duplicate"},
                 {"05050505", "skipped-duplicate"}};
    for (const auto &card : cards) {
        log += rfcard::csv_record({"2025-01-01T00:00:00+00:00", card.uid, "Mifare Classic 1K",
                                   card.result, "0", "", "", "", "", "a note, with a comma"});
    }
    write("log.csv", log);
    EXPECT_EQ(rfcard::read_uid_list(path("log.csv")),
              (std::set<cardkit::Bytes>{{1, 1, 1, 1}, {2, 2, 2, 2}}));
}

TEST_F(UidList, AnythingElseIsRefusedNamingTheLine) {
    const struct {
        const char *content;
        const char *error;
    } rows[] = {
        {"5A3C71E2\n5A3C71\n", "done.txt:2: \"5A3C71\" is no UID of 4, 7 or 10 bytes in hex"},
        {"5A3C71E2\nnot a uid\n", "done.txt:2: \"not a uid\" is no UID"},
        {"time,uid,card_type,result,written_count,written_blocks,differing_blocks,"
         "in_doubt_block,function,error\r\nx,5A3C,t,written,0,,,,,\r\n",
         "done.txt: record 2: \"5A3C\" is no UID"},
    };
    for (const auto &row : rows) {
        write("done.txt", row.content);
        try {
            rfcard::read_uid_list(path("done.txt"));
            ADD_FAILURE() << row.content;
        } catch (const rfcard::ToolError &error) {
            EXPECT_EQ(error.code(), rfcard::kExitBadInput);
            EXPECT_NE(std::string(error.what()).find(row.error), std::string::npos) << error.what();
        }
    }
}

TEST(BatchReport, BlockListsJoinRuns) {
    const struct {
        std::vector<int> blocks;
        const char *text;
    } rows[] = {
        {{}, ""},
        {{4}, "4"},
        {{4, 5}, "4-5"},
        {{1, 2, 4, 5, 6, 8}, "1-2 4-6 8"},
        {{6, 5, 4}, "6 5 4"},  // in the order written
        {{3, 7, 8, 9, 0}, "3 7-9 0"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(cardkit::number_ranges(row.blocks, " "), row.text) << row.text;
}

TEST(BatchReport, TimesAreLocalWithTheirOffset) {
    const char *saved = std::getenv("TZ");
    const std::string before = saved != nullptr ? saved : "";
    const auto moment =
        std::chrono::system_clock::from_time_t(1741944413);  // 2025-03-14 09:26:53 UTC
    const struct {
        const char *zone;
        const char *text;
    } rows[] = {
        {"UTC0", "2025-03-14T09:26:53+00:00"},
        {"EST5", "2025-03-14T04:26:53-05:00"},
        {"IST-5:30", "2025-03-14T14:56:53+05:30"},
    };
    for (const auto &row : rows) {
        setenv("TZ", row.zone, 1);
        tzset();
        EXPECT_EQ(rfcard::iso8601(moment), row.text) << row.zone;
    }
    if (saved != nullptr) {
        setenv("TZ", before.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

TEST(BatchReport, ACardCutShortTellsWhatWasWrittenAndWhatStoppedIt) {
    cardwork::BatchCard card;
    card.card.uid = {0x0C, 0x0C, 0x0C, 0x0C};
    card.type = "Mifare Classic 1K";
    card.result = cardwork::BatchResult::Partial;
    card.written = {4, 5, 6, 8};
    card.in_doubt = 9;
    card.stopped = cardwork::CardError::call("rf_M1_write", 0x102);
    card.finished = std::chrono::system_clock::from_time_t(0);
    const rfcard::CardReport report{card, "", "block"};
    const std::string error = report.error();
    EXPECT_EQ(error.rfind("rf_M1_write returned 258", 0), 0u) << error;
    EXPECT_EQ(report.line(),
              "0C0C0C0C  Mifare Classic 1K  partial  4 blocks written (4-6 8), "
              "block 9 in doubt: " +
                  error);
    const CsvRecord record = report.record();
    ASSERT_EQ(record.size(), rfcard::BatchLog::header().size());
    EXPECT_EQ(CsvRecord(record.begin() + 1, record.end()),
              (CsvRecord{"0C0C0C0C", "Mifare Classic 1K", "partial", "4", "4-6 8", "", "9",
                         "rf_M1_write", error}));
    const rfcard::Json json = report.json();
    EXPECT_EQ(json["in_doubt"], 9);
    EXPECT_EQ(json["error"]["function"], "rf_M1_write");
    EXPECT_EQ(json["error"]["result"], 0x102);
}

using BatchCommandLine = TestDirectory;

TEST_F(BatchCommandLine, RefusalsBeforeAnyCard) {
    cardkit::CardDump data = cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K);
    data.set_block(4, cardkit::Bytes(16, 0x44));
    write("data.mct", cardkit::export_dump(data, cardkit::DumpFormat::Mct).content);
    write("empty.mct",
          cardkit::export_dump(cardkit::CardDump::mifare_classic(cardkit::MifareType::Classic1K),
                               cardkit::DumpFormat::Mct)
              .content);
    cardkit::CardDump ultralight = cardkit::CardDump::ultralight();
    ultralight.set_block(4, cardkit::Bytes(4, 0x44));
    write("ul.json", cardkit::export_dump(ultralight, cardkit::DumpFormat::Json).content);
    write("not-a-log.csv", "name,phone\r\n");
    write("bad-list.txt", "5A3C71E2\nXYZ\n");
    const std::string templ = path("data.mct");
    const struct {
        std::vector<std::string> arguments;
        int status;
    } rows[] = {
        {{"mf", "batch"}, rfcard::kExitUsage},
        {{"mf", "batch", "--template", path("missing.mct")}, rfcard::kExitBadInput},
        {{"mf", "batch", "--template", templ, "--count", "0"}, rfcard::kExitUsage},
        {{"mf", "batch", "--template", templ, "--write-locks"}, rfcard::kExitUsage},
        {{"ul", "batch", "--template", path("ul.json"), "--write-trailers"}, rfcard::kExitUsage},
        {{"mf", "batch", "--template", path("ul.json")}, rfcard::kExitBadInput},
        {{"ul", "batch", "--template", templ}, rfcard::kExitBadInput},
        {{"mf", "batch", "--template", path("empty.mct")}, rfcard::kExitBadInput},
        {{"mf", "batch", "--template", templ, "--log", path("not-a-log.csv")},
         rfcard::kExitBadInput},
        {{"mf", "batch", "--template", templ, "--uid-list", path("bad-list.txt")},
         rfcard::kExitBadInput},
        // Then the reader, which is not there.
        {{"mf", "batch", "--template", templ, "--log", path("new.csv")}, rfcard::kExitNoLibrary},
    };
    for (const auto &row : rows) {
        std::vector<const char *> argv = {"rfcard"};
        std::string shown;
        for (const std::string &argument : row.arguments) {
            argv.push_back(argument.c_str());
            shown += argument + " ";
        }
        EXPECT_EQ(rfcard::run_rfcard(static_cast<int>(argv.size()), argv.data(), "/nonexistent"),
                  row.status)
            << shown;
    }
    EXPECT_EQ(read("not-a-log.csv"), "name,phone\r\n");
    EXPECT_EQ(read("new.csv"), rfcard::csv_record(rfcard::BatchLog::header()));
}

}  // namespace
