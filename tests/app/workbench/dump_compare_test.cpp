// Comparing two dumps: the differences as rfcard diff words them, the differing
// bytes, stepping from difference to difference, and the side-by-side model
// following the window's dump.

#include <gtest/gtest.h>

#include "cardkit/dump_diff.h"
#include "cardkit/value_block.h"
#include "workbench/dump_compare.h"
#include "workbench/dump_document.h"
#include "workbench/dump_models.h"
#include "workbench_test.h"

namespace {

using tilvane::DumpComparison;
using workbench_test::FactoryMifare;
using workbench_test::Hex;

struct Pair {
    const char *name;
    std::function<cardkit::CardDump()> mine;
    std::function<cardkit::CardDump()> other;
    std::vector<int> blocks;  // the differing blocks, in order
};

void PrintTo(const Pair &c, std::ostream *os) { *os << c.name; }

cardkit::CardDump Changed(std::function<void(cardkit::CardDump &)> change,
                          cardkit::MifareType type = cardkit::MifareType::Classic1K) {
    cardkit::CardDump dump = FactoryMifare(type);
    change(dump);
    return dump;
}

const Pair kPairs[] = {
    {"same", [] { return FactoryMifare(); }, [] { return FactoryMifare(); }, {}},
    {"value_and_trailer",
     [] { return FactoryMifare(); },
     [] {
         return Changed([](cardkit::CardDump &d) {
             d.set_block(5, cardkit::encode_value_block({95, 5}));
             d.set_bytes(7, cardkit::kTrailerAccessBits, Hex("7F0788"));
         });
     },
     {5, 7}},
    {"unknown_against_read",
     [] { return Changed([](cardkit::CardDump &d) { d.forget_block(20); }); },
     [] { return FactoryMifare(); },
     {20}},
    {"1k_against_4k", [] { return FactoryMifare(); },
     [] { return FactoryMifare(cardkit::MifareType::Classic4K); },
     // block 0 differs (SAK, ATQA); every block past the 1K's is only in one
     [] {
         std::vector<int> blocks{0};
         for (int block = 64; block < 256; ++block) blocks.push_back(block);
         return blocks;
     }()},
    {"ultralight_pages",
     [] { return cardkit::CardDump::ultralight(); },
     [] {
         cardkit::CardDump d = cardkit::CardDump::ultralight();
         d.set_block(4, Hex("01020304"));
         return d;
     },
     {4}},
};

class Comparisons : public ::testing::TestWithParam<Pair> {};

TEST_P(Comparisons, ListTheDifferingBlocksInRfcardDiffsWords) {
    const cardkit::CardDump mine = GetParam().mine();
    const cardkit::CardDump other = GetParam().other();
    QString why;
    const auto comparison = DumpComparison::Compare(mine, other, why);
    ASSERT_TRUE(comparison.has_value()) << why.toStdString();
    std::vector<int> blocks;
    for (const auto &difference : comparison->differences()) blocks.push_back(difference.block);
    EXPECT_EQ(blocks, GetParam().blocks);

    // Each difference ends with its block's line of rfcard diff.
    const std::string text = cardkit::format_diff(cardkit::diff_dumps(mine, other), true);
    for (const auto &difference : comparison->differences()) {
        // Under its sector on Mifare Classic cards ("sector 1, block 5: ...").
        const bool sectors = mine.family() == cardkit::CardFamily::MifareClassic;
        const std::string line =
            (sectors ? difference.text.section(QStringLiteral(", "), 1, -1) : difference.text)
                .toStdString();
        EXPECT_NE(text.find("  " + line + "\n"), std::string::npos) << line;
    }
    EXPECT_EQ(comparison->summary().toStdString() + "\n",
              text.substr(text.rfind('\n', text.size() - 2) + 1));
}

INSTANTIATE_TEST_SUITE_P(Dumps, Comparisons, ::testing::ValuesIn(kPairs),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Comparison, StepsFromAnyBlockToTheNextAndPreviousDifference) {
    QString why;
    const auto comparison =
        DumpComparison::Compare(FactoryMifare(), Changed([](cardkit::CardDump &d) {
                                    for (const int block : {4, 9, 40})
                                        d.set_block(block, Hex("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));
                                }),
                                why);
    ASSERT_TRUE(comparison);
    struct Step {
        int from;
        std::optional<int> next, previous;
    };
    const Step steps[] = {
        {-1, 4, std::nullopt}, {0, 4, std::nullopt},   {4, 9, std::nullopt}, {5, 9, 4}, {9, 40, 4},
        {40, std::nullopt, 9}, {64, std::nullopt, 40},
    };
    for (const Step &step : steps) {
        EXPECT_EQ(comparison->Next(step.from), step.next) << step.from;
        EXPECT_EQ(comparison->Previous(step.from), step.previous) << step.from;
    }
}

TEST(Comparison, MarksTheBytesThatDifferInValueOrInBeingKnown) {
    cardkit::CardDump other = FactoryMifare();
    other.set_bytes(4, 3, Hex("AA"));
    other.forget_bytes(4, 10, 2);
    QString why;
    const auto comparison = DumpComparison::Compare(FactoryMifare(), other, why);
    ASSERT_TRUE(comparison);
    const std::vector<bool> differing = comparison->DifferingBytes(4);
    ASSERT_EQ(differing.size(), 16u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(differing[static_cast<std::size_t>(i)], i == 3 || i == 10 || i == 11) << i;
    EXPECT_EQ(comparison->DifferingBytes(5), std::vector<bool>(16, false));
}

TEST(Comparison, RefusesDumpsOfAnotherFamily) {
    QString why;
    EXPECT_FALSE(DumpComparison::Compare(FactoryMifare(), cardkit::CardDump::sr176(), why));
    EXPECT_EQ(why, QStringLiteral("cannot compare a Mifare Classic 1K dump with a SR176 dump"));
}

TEST(CompareTable, FollowsTheWindowsDumpAndSaysWhenItCannot) {
    tilvane::DumpDocument document;
    document.Load(FactoryMifare(), "/tmp/a.mct", cardkit::DumpFormat::Mct);
    tilvane::CompareTableModel model(document);
    cardkit::CardDump other = FactoryMifare();
    other.set_block(4, Hex("0102030405060708090A0B0C0D0E0F10"));
    QString why;
    ASSERT_TRUE(model.SetOther(other, QStringLiteral("other.mct"), why));
    EXPECT_EQ(model.rowCount(), 64);
    EXPECT_EQ(model.index(4, tilvane::CompareTableModel::kDifferenceColumn).data().toString(),
              QStringLiteral("bytes 0-15 changed"));
    EXPECT_EQ(model.index(4, tilvane::CompareTableModel::kDifferenceColumn)
                  .data(Qt::AccessibleTextRole)
                  .toString(),
              QStringLiteral("Block 4 differs: bytes 0-15 changed"));
    EXPECT_EQ(model.index(5, tilvane::CompareTableModel::kDifferenceColumn).data().toString(),
              QStringLiteral("same"));
    EXPECT_EQ(
        model.headerData(tilvane::CompareTableModel::kOtherColumn, Qt::Horizontal, Qt::DisplayRole),
        QStringLiteral("other.mct"));

    document.SetBlock(4, std::vector<std::uint8_t>(other.block(4).begin(), other.block(4).end()));
    EXPECT_TRUE(model.comparison().differences().empty());

    document.TakeRead(cardkit::CardDump::ultralight(), QString());
    EXPECT_FALSE(model.comparing());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(model.problem().startsWith(QStringLiteral("cannot compare")));
}

}  // namespace
