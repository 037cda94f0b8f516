// Whole card work through the workbench window, as an operator does it: the real
// library and transport against reader-sim, the work on the worker thread, the
// outcome read from the window. What the card holds afterwards is read from the
// simulator itself (its save command).

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>
#include <memory>

#include "cardkit/dump_formats.h"
#include "common/app_state.h"
#include "simulated_reader.h"
#include "workbench/card_panel.h"
#include "workbench/card_worker.h"
#include "workbench/dump_document.h"
#include "workbench/workbench_window.h"
#include "workbench_test.h"

namespace {

using tilvane::WorkbenchWindow;
using workbench_test::FactoryMifare;
using workbench_test::Hex;
using workbench_test::WaitUntil;

class WorkbenchEndToEnd : public workbench_test::WorkbenchTest {
protected:
    explicit WorkbenchEndToEnd(std::vector<std::string> arguments = {"--card", "mifare1k"})
        : reader(arguments) {
        state.com_port = 1;
        state.baud_rate = 0;  // 9600, where the simulator starts
    }

    void SetUp() override {
        ASSERT_TRUE(reader.ready()) << reader.why_not().toStdString();
        state.api = reader.api();
        window =
            std::make_unique<WorkbenchWindow>(state, tilvane::WorkbenchOptions{key_directory()});
        window->show();
    }
    void TearDown() override {
        if (window) window->card_panel()->StopAndFinish();
    }

    tilvane::CardPanel &panel() { return *window->card_panel(); }
    QPushButton *button(const char *name) {
        auto *found = window->findChild<QPushButton *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void check(const char *name, bool on) {
        window->findChild<QCheckBox *>(QString::fromLatin1(name))->setChecked(on);
    }
    // Clicks and waits until the work (both steps of a write) has ended.
    void work(const char *name) {
        button(name)->click();
        ASSERT_TRUE(WaitUntil([&] { return !panel().working(); }, 60000)) << "the work never ended";
    }
    // The simulated card's memory now, as a dump.
    cardkit::CardDump card(const std::string &kind = "mifare1k") {
        const std::string path = file(QStringLiteral("card.bin")).toStdString();
        const std::string answer = reader.simulator().command("save " + kind + " " + path);
        EXPECT_EQ(answer.rfind("ok", 0), 0u) << answer;
        return cardkit::import_dump(read(QStringLiteral("card.bin")).toStdString(), "card.bin");
    }
    QStringList results() {
        QStringList lines;
        for (int row = 0; row < panel().result_list()->count(); ++row) {
            lines << panel().result_list()->item(row)->text();
        }
        return lines;
    }
    QString result_of(int block) {
        for (const QString &line : results()) {
            if (line.startsWith(QStringLiteral("block %1: ").arg(block))) return line;
        }
        return QString();
    }

    app_test::SimulatedReader reader;
    tilvane::AppState state;
    std::unique_ptr<WorkbenchWindow> window;
};

TEST_F(WorkbenchEndToEnd, ReadsAWholeCardAndRemembersItsKeys) {
    ASSERT_FALSE(state.connected());
    work("readCard");
    const tilvane::DumpDocument &document = window->document();
    ASSERT_TRUE(document.has_dump());
    // The card's own memory, keys and all (key B reads as data on a factory card).
    EXPECT_EQ(document.dump().description(), "Mifare Classic 1K");
    const cardkit::CardDump on_card = card();
    for (int block = 0; block < 64; ++block) {
        EXPECT_TRUE(document.dump().block_known(block)) << block;
        const auto bytes = on_card.block(block);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), document.dump().block(block).begin()))
            << block;
    }
    EXPECT_TRUE(document.modified());
    EXPECT_TRUE(document.partial_note().isEmpty());
    EXPECT_EQ(window->band()->mark(), tilvane::StatusBand::Mark::Success);
    EXPECT_TRUE(window->band()->text().startsWith(
        QStringLiteral("Card read: Mifare Classic 1K, every block")))
        << window->band()->text().toStdString();
    EXPECT_EQ(panel().progress_bar()->value(), panel().progress_bar()->maximum());
    // The port the work opened stays open, as Connect leaves it; the reader is free.
    EXPECT_TRUE(state.connected());
    EXPECT_FALSE(state.reader_busy());
    EXPECT_TRUE(std::filesystem::exists(key_directory() / "5A3C71E2.mct"));
}

TEST_F(WorkbenchEndToEnd, AReadWithNoCardKeepsTheDumpThereAndSaysSo) {
    reader.simulator().command("remove all");
    work("readCard");
    EXPECT_FALSE(window->document().has_dump());
    EXPECT_EQ(window->band()->mark(), tilvane::StatusBand::Mark::Error);
    EXPECT_TRUE(window->band()->text().startsWith(QStringLiteral("Read failed: ")));
    EXPECT_FALSE(state.reader_busy());
}

TEST_F(WorkbenchEndToEnd, WritesDataBlocksAndVerifiesThem) {
    work("readCard");
    cardkit::CardDump edited = window->document().dump();
    const auto data = Hex("54696C76616E652064656D6F20210000");
    ASSERT_TRUE(window->document().SetBlock(5, data));
    ASSERT_TRUE(window->document().SetBlock(62, Hex("00112233445566778899AABBCCDDEEFF")));
    check("verifyWrite", true);
    work("writeCard");
    EXPECT_TRUE(boxes().empty()) << "a data-only write asks nothing";
    const cardkit::CardDump after = card();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), after.block(5).begin()));
    EXPECT_EQ(cardkit::to_hex(after.block(62)), "00112233445566778899AABBCCDDEEFF");
    EXPECT_EQ(result_of(5), QStringLiteral("block 5: verified"));
    EXPECT_EQ(result_of(0), QStringLiteral("block 0: left out: block 0 was not chosen"));
    EXPECT_EQ(result_of(7), QStringLiteral("block 7: left out: trailers were not chosen"));
    // Every data block of the dump but block 0 was written and read back.
    EXPECT_EQ(window->band()->text(),
              QStringLiteral("Card written: 47 blocks written, 47 read back, 0 differ"));
    EXPECT_EQ(window->band()->mark(), tilvane::StatusBand::Mark::Success);
}

TEST_F(WorkbenchEndToEnd, TrailersWaitForTheirOwnConfirmationAndARefusalWritesNothing) {
    work("readCard");
    const cardkit::CardDump before = card();
    ASSERT_TRUE(window->document().SetBlock(4, Hex("0102030405060708090A0B0C0D0E0F10")));
    ASSERT_TRUE(window->document().SetBlock(7, Hex("A0A1A2A3A4A5"
                                                   "7F078869"
                                                   "B0B1B2B3B4B5")));
    check("includeTrailers", true);
    answer(QMessageBox::No);
    work("writeCard");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(
        boxes()[0].text.contains(QStringLiteral("the trailers (keys and access bits) of sectors "
                                                "0, 1, 2")));
    EXPECT_TRUE(boxes()[0].text.contains(QStringLiteral("locks its sector for good")));
    EXPECT_EQ(boxes()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(window->band()->text(), QStringLiteral("Not confirmed: nothing was written"));
    EXPECT_EQ(card(), before);
    EXPECT_FALSE(state.reader_busy());
}

TEST_F(WorkbenchEndToEnd, AConfirmedTrailerIsWrittenAndItsNewKeysOpenTheSector) {
    work("readCard");
    // Sector 1: key A A0..A5, data blocks 000, trailer 011 (key B writes all).
    const auto trailer =
        Hex("A0A1A2A3A4A5"
            "7F078869"
            "B0B1B2B3B4B5");
    ASSERT_TRUE(window->document().SetBlock(7, trailer));
    check("includeTrailers", true);
    answer(QMessageBox::Yes);
    work("writeCard");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(result_of(7).startsWith(QStringLiteral("block 7: verified")))
        << result_of(7).toStdString();
    EXPECT_EQ(cardkit::to_hex(card().block(7)), cardkit::to_hex(trailer));

    // A second read finds the new keys, remembered per UID, first.
    window->document().MarkSaved(file(QStringLiteral("kept.mct")), cardkit::DumpFormat::Mct);
    work("readCard");
    EXPECT_EQ(window->document().dump().key(1, cardkit::KeyType::A),
              (cardkit::MifareKey{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    EXPECT_TRUE(window->document().dump().block_known(4));
}

TEST_F(WorkbenchEndToEnd, ADumpOfAnotherCardIsWrittenOnlyWhenTheOperatorAgrees) {
    window->document().TakeRead(
        FactoryMifare(cardkit::MifareType::Classic1K, {0x11, 0x22, 0x33, 0x44}), QString());
    const cardkit::CardDump before = card();
    answer(QMessageBox::No);
    work("writeCard");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(
        boxes()[0].text.contains(QStringLiteral("The card in the field is 5A3C71E2, but this "
                                                "dump was read from 11223344")));
    EXPECT_EQ(card(), before);
    EXPECT_EQ(window->band()->text(), QStringLiteral("Not confirmed: nothing was written"));
}

TEST_F(WorkbenchEndToEnd, ADumpLargerThanTheCardIsRefusedBeforeAnyWrite) {
    window->document().TakeRead(FactoryMifare(cardkit::MifareType::Classic4K), QString());
    work("writeCard");
    EXPECT_TRUE(
        window->band()->text().startsWith(QStringLiteral("Nothing was written: the dump holds a "
                                                         "Mifare Classic 4K")))
        << window->band()->text().toStdString();
    EXPECT_TRUE(boxes().empty());
}

// At the speed of a real line a 1K read takes seconds: time enough to cancel.
class WorkbenchPacedEndToEnd : public WorkbenchEndToEnd {
protected:
    WorkbenchPacedEndToEnd() : WorkbenchEndToEnd({"--realtime", "--card", "mifare1k"}) {}
};

TEST_F(WorkbenchPacedEndToEnd, CancelStopsWithinAnExchangeAndKeepsWhatWasRead) {
    constexpr int kCancelAt = 4;
    int cancelled_at = -1;
    QObject::connect(panel().worker(), &tilvane::CardWorker::progressed, window.get(),
                     [&](const cardwork::Progress &progress) {
                         if (cancelled_at < 0 && progress.done >= kCancelAt) {
                             cancelled_at = progress.done;
                             button("cancelWork")->click();
                         }
                     });
    // The window answers while the card is read.
    button("readCard")->click();
    ASSERT_TRUE(panel().working());
    EXPECT_FALSE(button("readCard")->isEnabled());
    EXPECT_TRUE(state.reader_busy());
    ASSERT_TRUE(WaitUntil([&] { return !panel().working(); }, 60000));
    ASSERT_GE(cancelled_at, kCancelAt);

    const tilvane::DumpDocument &document = window->document();
    ASSERT_TRUE(document.has_dump());
    const cardkit::CardDump &dump = document.dump();
    for (int block = 0; block < 4 * kCancelAt; ++block)
        EXPECT_TRUE(dump.block_known(block)) << block;
    // A sector is five exchanges at most: the read stopped in the sector after
    // the one it was in when Cancel came, or sooner.
    for (int block = 4 * (cancelled_at + 2); block < 64; ++block) {
        EXPECT_TRUE(dump.block_unknown(block)) << block;
    }
    EXPECT_FALSE(document.partial_note().isEmpty());
    EXPECT_TRUE(window->band()->text().startsWith(QStringLiteral("Read stopped (cancelled)")))
        << window->band()->text().toStdString();
    EXPECT_FALSE(state.reader_busy());
}

}  // namespace
