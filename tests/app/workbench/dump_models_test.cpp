// The dump document and the item models over it: the unsaved-changes flag, which
// edits are taken, and what the section list and the block table give for each
// role as the dump changes.

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "workbench/byte_colours.h"
#include "workbench/dump_document.h"
#include "workbench/dump_models.h"
#include "workbench_test.h"

namespace {

using tilvane::BlockTableModel;
using tilvane::DumpDocument;
using workbench_test::FactoryMifare;
using workbench_test::Hex;

TEST(DumpDocument, LoadingIsNoChangeWhileEditsAndCardReadsAre) {
    struct Step {
        const char *what;
        std::function<void(DumpDocument &)> act;
        bool modified;
    };
    const Step steps[] = {
        {"load",
         [](DumpDocument &d) { d.Load(FactoryMifare(), "/tmp/a.mct", cardkit::DumpFormat::Mct); },
         false},
        {"edit", [](DumpDocument &d) { d.SetBlock(4, Hex("00112233445566778899AABBCCDDEEFF")); },
         true},
        {"save", [](DumpDocument &d) { d.MarkSaved("/tmp/b.json", cardkit::DumpFormat::Json); },
         false},
        {"access bits",
         [](DumpDocument &d) {
             d.SetAccessBits(1, cardkit::AccessBits{{0, 0, 0, 3}});
         },
         true},
        {"load again",
         [](DumpDocument &d) { d.Load(FactoryMifare(), "/tmp/a.mct", cardkit::DumpFormat::Mct); },
         false},
        {"card read", [](DumpDocument &d) { d.TakeRead(FactoryMifare(), QString()); }, true},
    };
    DumpDocument document;
    QSignalSpy changes(&document, &DumpDocument::modified_changed);
    bool before = false;
    int expected_signals = 0;
    for (const Step &step : steps) {
        step.act(document);
        EXPECT_EQ(document.modified(), step.modified) << step.what;
        expected_signals += step.modified != before;
        before = step.modified;
        EXPECT_EQ(changes.count(), expected_signals) << step.what;
    }
    EXPECT_EQ(document.display_name(), QStringLiteral("Card 5A3C71E2"));
    EXPECT_TRUE(document.file_path().isEmpty());
}

TEST(DumpDocument, AnEditThatDoesNotFitChangesNothing) {
    DumpDocument document;
    EXPECT_FALSE(document.SetBlock(0, Hex("00")));  // no dump yet
    document.Load(FactoryMifare(), "/tmp/a.mct", cardkit::DumpFormat::Mct);
    QSignalSpy edits(&document, &DumpDocument::block_changed);
    const std::pair<int, const char *> refused[] = {
        {4, "0011"},                               // too short
        {64, "00112233445566778899AABBCCDDEEFF"},  // beyond a 1K card
        {-1, "00112233"},                          // no system block on Mifare
    };
    for (const auto &[block, hex] : refused)
        EXPECT_FALSE(document.SetBlock(block, Hex(hex))) << block;
    EXPECT_FALSE(document.SetAccessBits(16, cardkit::kTransportAccess));
    EXPECT_EQ(edits.count(), 0);
    EXPECT_FALSE(document.modified());
    EXPECT_EQ(document.dump(), FactoryMifare());
}

TEST(DumpDocument, TheSrix4kSystemBlockIsARowOfItsOwn) {
    DumpDocument document;
    document.Load(cardkit::CardDump::srix4k(), "/tmp/t.bin", cardkit::DumpFormat::Raw);
    ASSERT_TRUE(document.SetBlock(tilvane::kSystemBlockRow, Hex("FEFFFFFF")));
    EXPECT_EQ(document.dump().system_block(),
              (std::array<std::uint8_t, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
}

class BlockTable : public ::testing::Test {
protected:
    BlockTable() {
        cardkit::CardDump dump = FactoryMifare();
        dump.forget_block(6);
        document.Load(dump, "/tmp/a.mct", cardkit::DumpFormat::Mct);
        model.ShowSection(1);
    }
    QVariant at(int block, int column, int role = Qt::DisplayRole) {
        return model.index(model.RowOf(block), column).data(role);
    }

    DumpDocument document;
    BlockTableModel model{document};
    tilvane::SectionListModel sections{document};
};

TEST_F(BlockTable, GivesEachRoleOfEachColumn) {
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(at(7, BlockTableModel::kBlockColumn).toString(), QStringLiteral("7"));
    EXPECT_EQ(at(7, BlockTableModel::kKindColumn).toString(), QStringLiteral("TRAILER"));
    EXPECT_EQ(at(7, BlockTableModel::kKindColumn, Qt::BackgroundRole).value<QColor>(),
              tilvane::KindColour(tilvane::BlockKind::Trailer));
    EXPECT_FALSE(at(4, BlockTableModel::kKindColumn, Qt::BackgroundRole).isValid());
    EXPECT_EQ(at(7, BlockTableModel::kBytesColumn).toString(),
              QStringLiteral("FF FF FF FF FF FF FF 07 80 69 FF FF FF FF FF FF"));
    const QVariantList roles =
        at(7, BlockTableModel::kBytesColumn, tilvane::kByteRolesRole).toList();
    ASSERT_EQ(roles.size(), 16);
    EXPECT_EQ(roles[6].toInt(), static_cast<int>(tilvane::ByteRole::AccessBits));
    EXPECT_EQ(at(6, BlockTableModel::kKindColumn, tilvane::kBlockKindRole).toInt(),
              static_cast<int>(tilvane::BlockKind::Unknown));
    EXPECT_EQ(
        at(6, BlockTableModel::kBytesColumn, Qt::AccessibleTextRole).toString(),
        QStringLiteral(
            "Block 6, UNKNOWN: unknown unknown unknown unknown unknown unknown unknown "
            "unknown unknown unknown unknown unknown unknown unknown unknown unknown; not read"));
    EXPECT_TRUE(at(5, BlockTableModel::kMeaningColumn, Qt::ToolTipRole)
                    .toString()
                    .startsWith(QStringLiteral("block 5 (000): read by key A or B")));
    EXPECT_EQ(sections.index(1).data().toString(), QStringLiteral("Sector 1  (3 of 4 read)"));
    EXPECT_EQ(sections.index(1).data(Qt::AccessibleTextRole).toString(),
              QStringLiteral("Sector 1, 3 of 4 blocks read, the rest unknown"));
    EXPECT_EQ(sections.index(0).data().toString(), QStringLiteral("Sector 0"));
}

TEST_F(BlockTable, FollowsEditsOfItsSectionAndItsTrailer) {
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy section_changed(&sections, &QAbstractItemModel::dataChanged);
    document.SetBlock(9, Hex("00000000000000000000000000000000"));  // another sector
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(section_changed.count(), 1);
    document.SetBlock(6, Hex("00000000000000000000000000000000"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(at(6, BlockTableModel::kKindColumn).toString(), QStringLiteral("DATA"));
    EXPECT_EQ(sections.index(1).data().toString(), QStringLiteral("Sector 1"));
    // New access bits change the words of every block of the sector.
    document.SetAccessBits(1, cardkit::AccessBits{{4, 0, 0, 1}});
    EXPECT_TRUE(
        at(4, BlockTableModel::kMeaningColumn, Qt::ToolTipRole)
            .toString()
            .startsWith(QStringLiteral("block 4 (100): read by key A or B, write by key B")));
}

TEST_F(BlockTable, ANewDumpEmptiesTheTableUntilASectionIsChosen) {
    document.TakeRead(cardkit::CardDump::ultralight(), QString());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(sections.rowCount(), 1);
    model.ShowSection(0);
    EXPECT_EQ(model.rowCount(), 16);
    EXPECT_EQ(at(0, BlockTableModel::kKindColumn).toString(), QStringLiteral("UNKNOWN"));
}

}  // namespace
