// Dump files as the workbench opens and saves them: the formats each family may
// be saved in and the dialog filters that name them, files that are not dumps,
// what a save loses, and a write that fails leaving the old file whole.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "workbench/dump_files.h"
#include "workbench_test.h"

namespace {

using cardkit::CardFamily;
using cardkit::DumpFormat;
using workbench_test::FactoryMifare;

class DumpFiles : public workbench_test::WorkbenchTest {};

TEST(DumpFormats, EachFamilyIsOfferedTheFormatsThatHoldItOwnFirst) {
    const std::pair<CardFamily, std::vector<DumpFormat>> cases[] = {
        {CardFamily::MifareClassic,
         {DumpFormat::Mct, DumpFormat::Json, DumpFormat::Nfc, DumpFormat::Eml, DumpFormat::Raw}},
        {CardFamily::Ultralight, {DumpFormat::Json, DumpFormat::Nfc, DumpFormat::Raw}},
        {CardFamily::Srix4k, {DumpFormat::Json, DumpFormat::Nfc, DumpFormat::Raw}},
        {CardFamily::Sr176, {DumpFormat::Json, DumpFormat::Raw}},
        {CardFamily::Iso15693, {DumpFormat::Json, DumpFormat::Nfc, DumpFormat::Raw}},
    };
    for (const auto &[family, formats] : cases) {
        EXPECT_EQ(tilvane::FormatsFor(family), formats) << static_cast<int>(family);
        QStringList filters;
        for (const DumpFormat format : formats) filters << tilvane::FormatFilter(format);
        EXPECT_EQ(tilvane::SaveFilters(family), filters.join(QStringLiteral(";;")));
    }
}

TEST(DumpFormats, AFilterAndAFileNameNameTheFormatTheyShow) {
    for (const DumpFormat format :
         {DumpFormat::Raw, DumpFormat::Eml, DumpFormat::Mct, DumpFormat::Json, DumpFormat::Nfc}) {
        EXPECT_EQ(tilvane::FormatOfFilter(tilvane::FormatFilter(format)), format);
        EXPECT_TRUE(tilvane::OpenFilters().contains(tilvane::FormatFilter(format)));
        const QString name = QStringLiteral("/some/where/card.") + tilvane::DefaultSuffix(format);
        EXPECT_EQ(tilvane::FormatOfFileName(name), format) << name.toStdString();
    }
    EXPECT_EQ(tilvane::FormatOfFileName(QStringLiteral("card.MFD")), DumpFormat::Raw);
    EXPECT_EQ(tilvane::FormatOfFileName(QStringLiteral("card")), std::nullopt);
    EXPECT_EQ(tilvane::FormatOfFilter(QStringLiteral("All files (*)")), std::nullopt);
    EXPECT_TRUE(tilvane::OpenFilters().startsWith(
        QStringLiteral("Card dumps (*.mct *.json *.nfc *.eml *.bin *.mfd *.dump)")));
}

TEST_F(DumpFiles, WhatIsNoDumpIsRefusedWithItsReason) {
    write(QStringLiteral("short.mfd"), QByteArray(100, '\0'));
    write(QStringLiteral("huge.bin"),
          QByteArray(static_cast<qsizetype>(tilvane::kLargestDumpFile + 1), '\0'));
    const std::pair<const char *, const char *> cases[] = {
        {"missing.mct", "Cannot read "},
        {"short.mfd", "short.mfd: "},
        {"huge.bin", "larger than any card dump"},
    };
    for (const auto &[name, reason] : cases) {
        QString error;
        EXPECT_FALSE(tilvane::LoadDumpFile(file(QString::fromLatin1(name)), error)) << name;
        EXPECT_TRUE(error.contains(QString::fromLatin1(reason))) << error.toStdString();
    }
}

TEST_F(DumpFiles, ASavedDumpReadsBackAsItWasInEveryFormatThatKeepsItAll) {
    for (const DumpFormat format : tilvane::FormatsFor(CardFamily::MifareClassic)) {
        QString error;
        const auto prepared = tilvane::PrepareSave(FactoryMifare(), format, error);
        ASSERT_TRUE(prepared) << error.toStdString();
        const QString name = QStringLiteral("card.") + tilvane::DefaultSuffix(format);
        ASSERT_TRUE(tilvane::WriteDumpFile(file(name), prepared->content, error));
        const auto loaded = tilvane::LoadDumpFile(file(name), error);
        ASSERT_TRUE(loaded) << error.toStdString();
        EXPECT_EQ(loaded->format, format);
        if (prepared->warnings.isEmpty()) {
            EXPECT_EQ(loaded->dump, FactoryMifare()) << name.toStdString();
        }
    }
}

TEST_F(DumpFiles, ASaveThatLosesSomethingListsItAndAFormatThatCannotHoldItIsRefused) {
    cardkit::CardDump partial = FactoryMifare();
    partial.forget_block(8);
    partial.set_identity({partial.identity().uid});  // as read from a file without ATQA and SAK
    QString error;
    // Raw writes the unknown block as zeros; .eml keeps it unknown.
    const auto raw = tilvane::PrepareSave(partial, DumpFormat::Raw, error);
    ASSERT_TRUE(raw);
    EXPECT_FALSE(raw->warnings.isEmpty());
    const auto eml = tilvane::PrepareSave(partial, DumpFormat::Eml, error);
    ASSERT_TRUE(eml);
    EXPECT_TRUE(eml->warnings.isEmpty()) << eml->warnings.join(u' ').toStdString();
    EXPECT_FALSE(tilvane::PrepareSave(cardkit::CardDump::ultralight(), DumpFormat::Mct, error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("mct files cannot hold this dump")));
}

TEST_F(DumpFiles, AWriteThatFailsLeavesTheOldFileWhole) {
    write(QStringLiteral("kept.mct"), "the old dump");
    QString error;
    EXPECT_FALSE(
        tilvane::WriteDumpFile(file(QStringLiteral("no such folder/kept.mct")), "new", error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot write ")));
    EXPECT_EQ(read(QStringLiteral("kept.mct")), QByteArray("the old dump"));
}

TEST_F(DumpFiles, DictionariesGiveEachKeyOnceSkippingWhatIsNoKey) {
    write(QStringLiteral("a.dic"), "# shop\nA0A1A2A3A4A5\nffffffffffff\n");
    write(QStringLiteral("b.dic"), "FFFFFFFFFFFF\nnot a key\nB0B1B2B3B4B5\n");
    write(QStringLiteral("none.dic"), "not a key\n");
    QString error;
    QStringList skipped;
    const auto keys = tilvane::LoadKeyDictionaries(
        {file(QStringLiteral("a.dic")), file(QStringLiteral("b.dic"))}, skipped, error);
    ASSERT_TRUE(keys) << error.toStdString();
    EXPECT_EQ(*keys, (std::vector<cardkit::MifareKey>{{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5},
                                                      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                                      {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5}}));
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_TRUE(
        skipped.front().startsWith(file(QStringLiteral("b.dic")) + QStringLiteral(": line 2")))
        << skipped.front().toStdString();
    EXPECT_FALSE(tilvane::LoadKeyDictionaries({file(QStringLiteral("none.dic"))}, skipped, error));
    EXPECT_TRUE(error.startsWith(file(QStringLiteral("none.dic")) + QStringLiteral(": ")))
        << error.toStdString();
}

}  // namespace
