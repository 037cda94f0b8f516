// The workbench window driven as an operator drives it, offscreen: files opened
// and saved, the decoded view, the editors, the comparison, closing with unsaved
// changes, what a screen reader meets, and a 640x480 screen.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>

#include <memory>

#include <QAccessible>
#include "cardkit/dump_diff.h"
#include "cardkit/dump_formats.h"
#include "cardkit/value_block.h"
#include "common/app_state.h"
#include "common/hex_edit.h"
#include "workbench/block_meaning.h"
#include "workbench/compare_panel.h"
#include "workbench/dump_compare.h"
#include "workbench/dump_document.h"
#include "workbench/dump_models.h"
#include "workbench/dump_panel.h"
#include "workbench/workbench_window.h"
#include "workbench_test.h"

namespace {

using tilvane::WorkbenchWindow;
using workbench_test::FactoryMifare;
using workbench_test::Hex;

// What a screen reader announces for a control: the caption it is labelled by
// (a label beside it), else its own name. The group box a control stands in is
// announced as its group, not as its name.
QString Announced(QWidget *widget) {
    QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget);
    if (node == nullptr) return QString();
    for (const auto &[label, relation] : node->relations(QAccessible::Label)) {
        if (label != nullptr && qobject_cast<QLabel *>(label->object()))
            return label->text(QAccessible::Name);
    }
    return node->text(QAccessible::Name);
}

QWidget *FindAnnounced(QWidget *root, const QString &name) {
    for (QWidget *candidate : root->findChildren<QWidget *>()) {
        if (Announced(candidate) == name) return candidate;
    }
    return nullptr;
}

QByteArray Exported(const cardkit::CardDump &dump, cardkit::DumpFormat format) {
    const std::string content = cardkit::export_dump(dump, format).content;
    return QByteArray(content.data(), static_cast<qsizetype>(content.size()));
}

class WorkbenchWindowTest : public workbench_test::WorkbenchTest {
protected:
    WorkbenchWindowTest() {
        state.api = fake_reader::api();
        window =
            std::make_unique<WorkbenchWindow>(state, tilvane::WorkbenchOptions{key_directory()});
        window->show();
    }

    // Opens `dump` saved as `name` in the window.
    void open(const cardkit::CardDump &dump, const QString &name = QStringLiteral("card.mct")) {
        write(name, Exported(dump, *cardkit::format_from_file_name(name.toStdString())));
        ASSERT_TRUE(window->OpenFile(file(name))) << window->band()->text().toStdString();
    }
    template <typename T>
    T *find(const char *name) {
        auto *found = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void choose_block(int block) { window->dump_panel()->SelectBlock(block); }
    const cardkit::CardDump &dump() const { return window->document().dump(); }

    tilvane::AppState state;
    std::unique_ptr<WorkbenchWindow> window;
};

TEST_F(WorkbenchWindowTest, OpeningAFileIsNoChangeAndAnEditIs) {
    open(FactoryMifare());
    EXPECT_FALSE(window->document().modified());
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("card.mct[*] - Card Workbench"));
    EXPECT_EQ(find<QLabel>("cardSummary")->text(),
              QStringLiteral("Mifare Classic 1K, UID 5A3C71E2"));  // .mct keeps no ATQA or SAK

    choose_block(4);
    auto *hex = find<tilvane::CHexEdit>("blockHex");
    hex->clear();
    hex->InsertHexDigits(QStringLiteral("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"));
    find<QPushButton>("applyBytes")->click();
    EXPECT_EQ(cardkit::to_hex(dump().block(4)), "00112233445566778899AABBCCDDEEFF");
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(window->band()->text(), QStringLiteral("Block 4 changed in the dump"));
}

TEST_F(WorkbenchWindowTest, ABlockTakesExactlyItsSizeInHexAsOnThePages) {
    open(FactoryMifare());
    choose_block(5);
    struct Case {
        const char *typed;
        bool taken;
    };
    const Case cases[] = {
        {"00112233445566778899AABBCCDDEEFF", true},
        {"00112233445566778899AABBCCDDEEF", false},  // a stray last digit
        {"00112233445566778899AABBCCDDEE", false},   // a byte short
        {"", false},
    };
    auto *hex = find<tilvane::CHexEdit>("blockHex");
    for (const Case &c : cases) {
        window->document().SetBlock(5, std::vector<std::uint8_t>(16, 0x5A));
        hex->setText(QString::fromLatin1(c.typed));
        find<QPushButton>("applyBytes")->click();
        EXPECT_EQ(cardkit::to_hex(dump().block(5)) == c.typed, c.taken) << c.typed;
        EXPECT_EQ(window->band()->mark() == tilvane::StatusBand::Mark::Error, !c.taken) << c.typed;
    }
    EXPECT_EQ(window->band()->text(),
              QStringLiteral("Block 5 takes exactly 16 bytes: 32 hex digits"));
}

TEST_F(WorkbenchWindowTest, TheValueEditorMakesTheBlockAndItsInvertedCopies) {
    open(FactoryMifare());
    choose_block(6);
    find<QSpinBox>("valueAmount")->setValue(-1500);
    find<QSpinBox>("valueAddress")->setValue(0x2A);
    EXPECT_EQ(find<QLabel>("valueLayout")->text(),
              QStringLiteral(
                  "Bytes: value 24FAFFFF, inverted DB050000, value 24FAFFFF, address 2A D5 2A D5"));
    find<QPushButton>("applyValue")->click();
    EXPECT_EQ(cardkit::decode_value_block(dump().block(6)), (cardkit::ValueBlock{-1500, 0x2A}));
    auto *model = window->dump_panel()->block_model();
    EXPECT_EQ(
        model->index(model->RowOf(6), tilvane::BlockTableModel::kKindColumn).data().toString(),
        QStringLiteral("VALUE"));
    // Block 0 and trailers hold no value.
    for (const int block : {0, 7}) {
        choose_block(block);
        EXPECT_FALSE(find<QPushButton>("applyValue")->isEnabled()) << block;
    }
}

TEST_F(WorkbenchWindowTest, TheAccessBitsEditorShowsTheBytesAndWritesThemToTheTrailer) {
    open(FactoryMifare());
    choose_block(9);
    auto *trailer = find<QComboBox>("accessGroup3");
    EXPECT_EQ(trailer->count(), 8);
    EXPECT_EQ(trailer->currentData().toInt(), 1);  // the card's 001
    trailer->setCurrentIndex(trailer->findData(3));
    EXPECT_EQ(find<QLabel>("accessBytes")->text(),
              QStringLiteral("Trailer bytes 6 to 8: 7F 07 88"));
    find<QPushButton>("applyAccess")->click();
    EXPECT_EQ(dump().access_bits(2), (cardkit::AccessBits{{0, 0, 0, 3}}));
    EXPECT_EQ(cardkit::to_hex(dump().block(11)), "FFFFFFFFFFFF7F078869FFFFFFFFFFFF");
    // The words for the chosen block follow the new bits.
    EXPECT_TRUE(find<QLabel>("accessWords")
                    ->text()
                    .startsWith(QStringLiteral("block 9 (000): read by key A or B")))
        << find<QLabel>("accessWords")->text().toStdString();
    // A choice that cannot be taken back says so before it is applied.
    trailer->setCurrentIndex(trailer->findData(6));
    EXPECT_TRUE(
        find<QLabel>("accessWarnings")->text().contains(QStringLiteral("can never be changed")));
}

TEST_F(WorkbenchWindowTest, TheDecodedViewTellsKindsApartByMarkerAndColour) {
    cardkit::CardDump card = FactoryMifare();
    const auto value = cardkit::encode_value_block({100, 5});
    card.set_block(5, value);
    card.forget_block(6);
    open(card);
    choose_block(4);
    const auto *model = window->dump_panel()->block_model();
    struct Row {
        int block;
        const char *marker;
        bool coloured;
    };
    const Row rows[] = {
        {4, "DATA", false}, {5, "VALUE", true}, {6, "UNKNOWN", true}, {7, "TRAILER", true}};
    for (const Row &row : rows) {
        const QModelIndex kind =
            model->index(model->RowOf(row.block), tilvane::BlockTableModel::kKindColumn);
        EXPECT_EQ(kind.data().toString(), QString::fromLatin1(row.marker)) << row.block;
        EXPECT_EQ(kind.data(Qt::BackgroundRole).isValid(), row.coloured) << row.block;
    }
    const QModelIndex unknown =
        model->index(model->RowOf(6), tilvane::BlockTableModel::kBytesColumn);
    EXPECT_TRUE(unknown.data().toString().startsWith(QStringLiteral("-- -- --")));
    EXPECT_TRUE(unknown.data(Qt::AccessibleTextRole)
                    .toString()
                    .startsWith(QStringLiteral("Block 6, UNKNOWN: unknown unknown")));
    EXPECT_EQ(window->dump_panel()->block_table()->accessibleName(),
              QStringLiteral("Blocks of Sector 1"));
    EXPECT_EQ(window->dump_panel()->section_list()->model()->index(1, 0).data().toString(),
              QStringLiteral("Sector 1  (3 of 4 read)"));
}

TEST_F(WorkbenchWindowTest, CompareListsTheDifferencesAsRfcardDiffAndSteps) {
    const cardkit::CardDump before = FactoryMifare();
    cardkit::CardDump after = before;
    after.set_block(5, cardkit::encode_value_block({95, 5}));
    after.set_block(13, Hex("00000000000000000000000000000001"));
    after.set_bytes(15, cardkit::kTrailerAccessBits, Hex("7F0788"));
    open(before);
    write(QStringLiteral("after.json"), Exported(after, cardkit::DumpFormat::Json));
    choices.push_back({file(QStringLiteral("after.json")), {}});
    find<QPushButton>("openSecondDump")->click();

    // Each differing block's line, under its sector, in rfcard diff's words.
    QStringList expected;
    QString sector;
    for (const QString &line :
         QString::fromStdString(cardkit::format_diff(cardkit::diff_dumps(before, after), true))
             .split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(QStringLiteral("sector "))) sector = line.chopped(1);
        if (line.startsWith(QStringLiteral("  block ")))
            expected << sector + QStringLiteral(", ") + line.mid(2);
    }
    auto *list = find<QListWidget>("differenceList");
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) shown << list->item(row)->text();
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(shown.size(), 3);

    tilvane::ComparePanel *panel = window->compare_panel();
    std::vector<int> visited;
    for (int step = 0; step < 4; ++step) {
        window->action(QStringLiteral("actionNextDifference"))->trigger();
        visited.push_back(panel->current_block());
    }
    EXPECT_EQ(visited, (std::vector<int>{5, 13, 15, 15}));
    EXPECT_EQ(window->band()->text(), QStringLiteral("No difference after block 15"));
    window->action(QStringLiteral("actionPreviousDifference"))->trigger();
    EXPECT_EQ(panel->current_block(), 13);
    // The differing bytes are marked on both sides, and the row says so in words.
    const QModelIndex mine = panel->model()->index(13, tilvane::CompareTableModel::kMineColumn);
    const QVariantList marks = mine.data(tilvane::kDifferingBytesRole).toList();
    ASSERT_EQ(marks.size(), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(marks[i].toBool(), i == 15) << i;
    EXPECT_EQ(
        panel->model()->index(13, tilvane::CompareTableModel::kDifferenceColumn).data().toString(),
        QStringLiteral("byte 15 changed"));

    // Editing this dump makes the comparison again.
    window->document().SetBlock(
        13, std::vector<std::uint8_t>(after.block(13).begin(), after.block(13).end()));
    EXPECT_EQ(list->count(), 2);
}

TEST_F(WorkbenchWindowTest, ADumpOfAnotherFamilyIsNotCompared) {
    open(FactoryMifare());
    write(QStringLiteral("tag.json"),
          Exported(cardkit::CardDump::ultralight(), cardkit::DumpFormat::Json));
    EXPECT_FALSE(window->compare_panel()->CompareWith(file(QStringLiteral("tag.json"))));
    EXPECT_EQ(window->band()->mark(), tilvane::StatusBand::Mark::Error);
    EXPECT_TRUE(window->band()->text().startsWith(
        QStringLiteral("cannot compare a Mifare Classic 1K dump")))
        << window->band()->text().toStdString();
}

// --- files ---------------------------------------------------------------------

TEST_F(WorkbenchWindowTest, ClosingWithUnsavedChangesAsks) {
    open(FactoryMifare());
    window->document().SetBlock(4, std::vector<std::uint8_t>(16, 1));
    answer(QMessageBox::Cancel);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text,
              QStringLiteral("card.mct has changes that are not saved. Save them before closing?"));

    answer(QMessageBox::Save);  // to its own file, in its own format
    EXPECT_TRUE(window->close());
    EXPECT_EQ(cardkit::import_dump(read(QStringLiteral("card.mct")).toStdString(), "card.mct")
                  .block(4)[0],
              1);
}

TEST_F(WorkbenchWindowTest, ASaveThatLosesSomethingSaysWhatFirst) {
    cardkit::CardDump partial = FactoryMifare();
    partial.forget_block(8);
    open(partial);  // an .mct file keeps unknown bytes; a raw one writes them as 00
    write(QStringLiteral("old.bin"), "kept");
    choices.push_back({file(QStringLiteral("old.bin")), {}});
    answer(QMessageBox::Cancel);
    EXPECT_FALSE(window->SaveAs());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].text.startsWith(QStringLiteral("A raw file does not keep everything")))
        << boxes()[0].text.toStdString();
    EXPECT_EQ(read(QStringLiteral("old.bin")), QByteArray("kept"));

    choices.push_back({file(QStringLiteral("old.bin")), {}});
    answer(QMessageBox::Save);
    EXPECT_TRUE(window->SaveAs());
    EXPECT_EQ(read(QStringLiteral("old.bin")), Exported(partial, cardkit::DumpFormat::Raw));
    EXPECT_EQ(window->document().file_format(), cardkit::DumpFormat::Raw);
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(WorkbenchWindowTest, ANameWithoutExtensionTakesTheChosenFormat) {
    open(FactoryMifare());
    choices.push_back({file(QStringLiteral("copy")), QStringLiteral("JSON dump (*.json)")});
    EXPECT_TRUE(window->SaveAs());
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(cardkit::import_dump(read(QStringLiteral("copy.json")).toStdString(), "copy.json"),
              dump());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    // The save dialog offers the formats of the dump's family, its own first.
    EXPECT_EQ(requests[0].selected_filter, QStringLiteral("Mifare Classic Tool (*.mct)"));
}

TEST_F(WorkbenchWindowTest, AFileThatIsNoDumpLeavesTheDumpAsItWas) {
    open(FactoryMifare());
    const cardkit::CardDump opened = dump();
    write(QStringLiteral("broken.mct"), "+Sector: 0\nnot hex\n");
    EXPECT_FALSE(window->OpenFile(file(QStringLiteral("broken.mct"))));
    EXPECT_EQ(window->band()->mark(), tilvane::StatusBand::Mark::Error);
    EXPECT_TRUE(window->band()->text().contains(QStringLiteral("broken.mct")));
    EXPECT_EQ(dump(), opened);
    EXPECT_EQ(window->document().display_name(), QStringLiteral("card.mct"));
}

TEST_F(WorkbenchWindowTest, OpeningAnotherFileOverUnsavedChangesAsksFirst) {
    open(FactoryMifare());
    window->document().SetBlock(4, std::vector<std::uint8_t>(16, 1));
    write(QStringLiteral("other.json"),
          Exported(cardkit::CardDump::ultralight(), cardkit::DumpFormat::Json));
    answer(QMessageBox::Cancel);
    EXPECT_FALSE(window->OpenFile(file(QStringLiteral("other.json"))));
    EXPECT_EQ(dump().family(), cardkit::CardFamily::MifareClassic);
    answer(QMessageBox::Discard);
    EXPECT_TRUE(window->OpenFile(file(QStringLiteral("other.json"))));
    EXPECT_EQ(dump().family(), cardkit::CardFamily::Ultralight);
    EXPECT_FALSE(window->isWindowModified());
}

// --- screen readers, keyboard, small screens -----------------------------------

// Every control an operator works, on every tab, as a screen reader announces it.
TEST_F(WorkbenchWindowTest, EveryControlIsNamedForScreenReaders) {
    open(FactoryMifare());
    struct Named {
        const char *name;
        const char *type;
    };
    const Named expected[] = {
        {"Sectors", "QListView"},
        {"Blocks of Sector 0", "QTableView"},
        {"Hex bytes of block 0", "tilvane::CHexEdit"},
        {"Apply Bytes", "QPushButton"},
        {"Value", "QSpinBox"},
        {"Address", "QSpinBox"},
        {"Make Value Block", "QPushButton"},
        {"Block 0", "QComboBox"},
        {"Trailer", "QComboBox"},
        {"Apply Access Bits", "QPushButton"},
        {"Access conditions", "QLabel"},
        {"Open Second Dump...", "QPushButton"},
        {"Side by side", "QTableView"},
        {"Differences", "QListWidget"},
        {"Next Difference", "QPushButton"},
        {"Previous Difference", "QPushButton"},
        {"Card family", "QComboBox"},
        {"Key dictionaries", "QListWidget"},
        {"Add Dictionary...", "QPushButton"},
        {"Read Card", "QPushButton"},
        {"Verify: read every written block back", "QCheckBox"},
        {"Include trailers: keys and access bits (asks first)", "QCheckBox"},
        {"Write Card...", "QPushButton"},
        {"Cancel", "QPushButton"},
        {"Progress", "QProgressBar"},
        {"Write results, a block a line", "QListWidget"},
    };
    for (const Named &named : expected) {
        QWidget *found = FindAnnounced(window.get(), QString::fromLatin1(named.name));
        ASSERT_NE(found, nullptr) << named.name;
        EXPECT_STREQ(found->metaObject()->className(), named.type) << named.name;
    }
    // And none is left unnamed.
    for (QWidget *widget : window->centralWidget()->findChildren<QWidget *>()) {
        const bool control =
            qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget) ||
            qobject_cast<QComboBox *>(widget) || qobject_cast<QAbstractSpinBox *>(widget) ||
            qobject_cast<QAbstractItemView *>(widget) || qobject_cast<QProgressBar *>(widget);
        // The parts of compound controls (a tab bar's arrows, a table's corner
        // button and headers, a spin box's edit) go by their control's name.
        QWidget *up = widget->parentWidget();
        if (!control || widget->window() != window.get() || qobject_cast<QTabBar *>(up) ||
            qobject_cast<QAbstractItemView *>(up) || qobject_cast<QAbstractSpinBox *>(up)) {
            continue;
        }
        EXPECT_FALSE(Announced(widget).isEmpty())
            << widget->metaObject()->className() << " " << widget->objectName().toStdString();
    }
}

TEST_F(WorkbenchWindowTest, TheCommandsHaveKeys) {
    const std::pair<const char *, QKeySequence> keys[] = {
        {"actionOpen", QKeySequence::Open},
        {"actionSave", QKeySequence::Save},
        {"actionRead", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"actionCancel", QKeySequence(Qt::Key_Escape)},
        {"actionNextDifference", QKeySequence(Qt::Key_F3)},
        {"actionPreviousDifference", QKeySequence(Qt::SHIFT | Qt::Key_F3)},
    };
    for (const auto &[name, key] : keys) {
        QAction *action = window->action(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->shortcut(), key) << name;
    }
    // Every button carries a mnemonic: Alt and a letter reach it.
    for (QPushButton *button : window->findChildren<QPushButton *>()) {
        EXPECT_TRUE(button->text().contains(u'&')) << button->text().toStdString();
    }
}

class WorkbenchReach : public WorkbenchWindowTest, public ::testing::WithParamInterface<QSize> {};

TEST_P(WorkbenchReach, EveryControlOfEveryTabCanBeScrolledIntoSight) {
    open(FactoryMifare());
    window->resize(GetParam());
    auto *scroll = find<QScrollArea>("workbenchScroll");
    for (int tab = 0; tab < window->tabs()->count(); ++tab) {
        window->tabs()->setCurrentIndex(tab);
        QApplication::processEvents();
        QWidget *page = window->tabs()->widget(tab);
        for (QWidget *control : page->findChildren<QWidget *>()) {
            const bool shown =
                control->isVisibleTo(page) &&
                (qobject_cast<QAbstractButton *>(control) || qobject_cast<QLineEdit *>(control) ||
                 qobject_cast<QComboBox *>(control) || qobject_cast<QAbstractSpinBox *>(control) ||
                 qobject_cast<QAbstractItemView *>(control) ||
                 qobject_cast<QProgressBar *>(control));
            if (!shown || control->window() != window.get()) continue;
            QWidget *up = control->parentWidget();
            if (qobject_cast<QAbstractSpinBox *>(up) || qobject_cast<QAbstractItemView *>(up))
                continue;
            const QPoint far = control->mapTo(scroll->widget(), control->rect().bottomRight());
            scroll->ensureVisible(far.x(), far.y(), 1, 1);
            const QPoint near = control->mapTo(scroll->widget(), QPoint(0, 0));
            scroll->ensureVisible(near.x(), near.y(), 0, 0);
            const QSize room = scroll->viewport()->size();
            EXPECT_EQ(control->visibleRegion().boundingRect().size(),
                      control->size().boundedTo(room))
                << control->objectName().toStdString() << " on tab " << tab;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SmallScreens, WorkbenchReach,
                         ::testing::Values(QSize(640, 480), QSize(480, 320)));

}  // namespace
