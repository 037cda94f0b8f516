#include "workbench/card_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/accessible_caption.h"
#include "common/app_state.h"
#include "common/message_box.h"
#include "workbench/card_worker.h"
#include "workbench/dump_document.h"
#include "workbench/dump_files.h"
#include "workbench/file_choice.h"

namespace tilvane {

namespace {

using cardkit::CardFamily;

constexpr int kProgressSteps = 1000;

constexpr CardFamily kReadFamilies[] = {CardFamily::MifareClassic, CardFamily::Ultralight,
                                        CardFamily::Srix4k, CardFamily::Sr176,
                                        CardFamily::Iso15693};

QString Text(const std::string &text) { return QString::fromStdString(text); }

QString Hex(const cardkit::Bytes &bytes) { return Text(cardkit::to_hex(bytes)); }

QPushButton *Button(const QString &caption, const char *name, QWidget *parent) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QCheckBox *CheckBox(const QString &caption, const char *name, QWidget *parent) {
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

int UnknownBlocks(const cardkit::CardDump &dump) {
    int unknown = 0;
    for (int block = 0; block < dump.block_count(); ++block) unknown += !dump.block_known(block);
    return unknown;
}

QString Warnings(const std::vector<std::string> &warnings) {
    QString text;
    for (const std::string &warning : warnings) text += QStringLiteral("; ") + Text(warning);
    return text;
}

QString Stop(const cardwork::CardError &error) {
    return error.kind() == cardwork::CardErrorKind::Cancelled ? QStringLiteral("cancelled")
                                                              : Text(error.what());
}

}  // namespace

QString ProgressText(const cardwork::Progress &progress) {
    const bool sectors = progress.unit == cardwork::WorkUnit::Sector;
    const int shown =
        std::min(progress.done + (progress.done < progress.total ? 1 : 0), progress.total);
    QString text = progress.done >= progress.total
                       ? QStringLiteral("All %1 %2 done")
                             .arg(progress.total)
                             .arg(sectors ? QStringLiteral("sectors") : QStringLiteral("blocks"))
                       : QStringLiteral("%1 %2 of %3")
                             .arg(sectors ? QStringLiteral("Sector") : QStringLiteral("Block"))
                             .arg(sectors ? progress.done : shown)
                             .arg(progress.total);
    if (progress.key_search) {
        text += QStringLiteral(": key %1, %2 of %3 keys tried")
                    .arg(progress.key_search->type == cardkit::KeyType::A ? u'A' : u'B')
                    .arg(progress.key_search->tried)
                    .arg(progress.key_search->candidates);
    }
    text += QStringLiteral("; %1 keys tried, %2 exchanges")
                .arg(progress.keys_tried)
                .arg(progress.exchanges);
    return text;
}

CardPanel::CardPanel(AppState &state, DumpDocument &document, WorkbenchOptions options,
                     QWidget *parent)
    : QWidget(parent),
      state_(state),
      document_(document),
      options_(std::move(options)),
      worker_(new CardWorker(this)) {
    setObjectName(QStringLiteral("cardPanel"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(BuildReadGroup());
    layout->addWidget(BuildWriteGroup());
    layout->addWidget(BuildProgressGroup(), 1);

    connect(worker_, &CardWorker::progressed, this, &CardPanel::Progressed);
    connect(worker_, &CardWorker::finished, this, &CardPanel::Finished);
    connect(&state_, &AppState::reader_busy_changed, this, &CardPanel::UpdateButtons);
    connect(&document_, &DumpDocument::replaced, this, [this] {
        if (!document_.has_dump()) return;
        const int index = family_->findData(static_cast<int>(document_.dump().family()));
        if (index >= 0) family_->setCurrentIndex(index);
        UpdateButtons();
    });
    UpdateButtons();
}

QWidget *CardPanel::BuildReadGroup() {
    auto *group = new QGroupBox(QStringLiteral("Read a whole card"), this);
    auto *layout = new QGridLayout(group);
    family_ = new QComboBox(group);
    family_->setObjectName(QStringLiteral("readFamily"));
    for (const CardFamily family : kReadFamilies) {
        const std::string_view name = cardkit::family_name(family);
        family_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                         static_cast<int>(family));
    }
    dictionaries_ = new QListWidget(group);
    dictionaries_->setObjectName(QStringLiteral("dictionaryList"));
    dictionaries_->setMaximumHeight(dictionaries_->sizeHintForRow(0) > 0
                                        ? dictionaries_->sizeHintForRow(0) * 5
                                        : fontMetrics().height() * 5);
    add_dictionary_ = Button(QStringLiteral("Add Dictionar&y..."), "addDictionary", group);
    remove_dictionary_ = Button(QStringLiteral("Re&move Dictionary"), "removeDictionary", group);
    read_button_ = Button(QStringLiteral("&Read Card"), "readCard", group);
    auto *memory = new QLabel(
        options_.key_memory.empty()
            ? QStringLiteral("Keys found are not remembered.")
            : QStringLiteral("Keys found are remembered per card in %1 (rfcard shares them) and "
                             "tried first; then the dictionaries, then the common keys.")
                  .arg(QDir::toNativeSeparators(
                      QString::fromStdString(options_.key_memory.string()))),
        group);
    memory->setObjectName(QStringLiteral("keyMemoryNote"));
    memory->setWordWrap(true);

    layout->addWidget(CaptionLabel(QStringLiteral("Card &family"), family_, group), 0, 0);
    layout->addWidget(family_, 0, 1);
    layout->addWidget(CaptionLabel(QStringLiteral("Key dictionaries"), dictionaries_, group), 1, 0,
                      Qt::AlignTop);
    layout->addWidget(dictionaries_, 1, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(add_dictionary_);
    buttons->addWidget(remove_dictionary_);
    buttons->addStretch(1);
    layout->addLayout(buttons, 1, 2);
    layout->addWidget(memory, 2, 0, 1, 3);
    layout->addWidget(read_button_, 3, 2);
    layout->setColumnStretch(1, 1);

    connect(add_dictionary_, &QPushButton::clicked, this, &CardPanel::AddDictionary);
    connect(remove_dictionary_, &QPushButton::clicked, this, &CardPanel::RemoveDictionary);
    connect(read_button_, &QPushButton::clicked, this, &CardPanel::ReadCard);
    connect(family_, &QComboBox::currentIndexChanged, this, &CardPanel::UpdateButtons);
    return group;
}

QWidget *CardPanel::BuildWriteGroup() {
    auto *group =
        new QGroupBox(QStringLiteral("Write the dump to the card (Mifare Classic)"), this);
    auto *layout = new QGridLayout(group);
    verify_ =
        CheckBox(QStringLiteral("&Verify: read every written block back"), "verifyWrite", group);
    verify_->setChecked(true);
    include_block0_ =
        CheckBox(QStringLiteral("Include block &0 (asks first)"), "includeBlock0", group);
    include_trailers_ =
        CheckBox(QStringLiteral("Include &trailers: keys and access bits (asks first)"),
                 "includeTrailers", group);
    write_button_ = Button(QStringLiteral("&Write Card..."), "writeCard", group);
    layout->addWidget(verify_, 0, 0);
    layout->addWidget(include_block0_, 1, 0);
    layout->addWidget(include_trailers_, 2, 0);
    layout->addWidget(write_button_, 2, 1);
    layout->setColumnStretch(0, 1);
    connect(write_button_, &QPushButton::clicked, this, &CardPanel::WriteCard);
    return group;
}

QWidget *CardPanel::BuildProgressGroup() {
    auto *group = new QWidget(this);
    auto *layout = new QGridLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    progress_ = new QProgressBar(group);
    progress_->setObjectName(QStringLiteral("workProgress"));
    progress_->setRange(0, kProgressSteps);
    progress_->setValue(0);
    progress_->setAccessibleName(QStringLiteral("Progress"));
    progress_text_ = new QLabel(QStringLiteral("No card work under way"), group);
    progress_text_->setObjectName(QStringLiteral("progressText"));
    progress_text_->setWordWrap(true);
    cancel_ = Button(QStringLiteral("&Cancel"), "cancelWork", group);
    results_ = new QListWidget(group);
    results_->setObjectName(QStringLiteral("resultList"));
    layout->addWidget(progress_, 0, 0);
    layout->addWidget(cancel_, 0, 1);
    layout->addWidget(progress_text_, 1, 0, 1, 2);
    layout->addWidget(
        CaptionLabel(QStringLiteral("Write results, a &block a line"), results_, group), 2, 0, 1,
        2);
    layout->addWidget(results_, 3, 0, 1, 2);
    layout->setRowStretch(3, 1);
    connect(cancel_, &QPushButton::clicked, this, &CardPanel::CancelWork);
    return group;
}

void CardPanel::UpdateButtons() {
    const bool free = !working() && !state_.reader_busy();
    read_button_->setEnabled(free);
    const bool mifare_dump =
        document_.has_dump() && document_.dump().family() == CardFamily::MifareClassic;
    write_button_->setEnabled(free && mifare_dump);
    write_button_->setToolTip(
        mifare_dump ? QString()
                    : QStringLiteral("Only Mifare Classic dumps are written to cards here"));
    cancel_->setEnabled(working() && !worker_->cancel_requested());
    family_->setEnabled(!working());
    const bool mifare_read =
        family_->currentData().toInt() == static_cast<int>(CardFamily::MifareClassic);
    dictionaries_->setEnabled(!working() && mifare_read);
    add_dictionary_->setEnabled(!working() && mifare_read);
    remove_dictionary_->setEnabled(!working() && mifare_read && dictionaries_->count() > 0);
}

void CardPanel::AddDictionary() {
    const FileChoice choice =
        ChooseFile({this, QStringLiteral("Add Key Dictionary"),
                    QStringLiteral("Key dictionaries (*.dic *.keys *.txt);;All files (*)"),
                    QString(), QString(), false});
    if (!choice.path.isEmpty()) AddDictionaries({choice.path});
}

void CardPanel::AddDictionaries(const QStringList &paths) {
    for (const QString &path : paths) {
        if (dictionaries_->findItems(path, Qt::MatchExactly).isEmpty())
            dictionaries_->addItem(path);
    }
    UpdateButtons();
}

void CardPanel::RemoveDictionary() {
    delete dictionaries_->takeItem(std::max(0, dictionaries_->currentRow()));
    UpdateButtons();
}

std::optional<KeyOrder> CardPanel::Keys() {
    QStringList paths;
    for (int row = 0; row < dictionaries_->count(); ++row)
        paths << dictionaries_->item(row)->text();
    QString error;
    QStringList skipped;
    std::optional<std::vector<cardkit::MifareKey>> keys =
        LoadKeyDictionaries(paths, skipped, error);
    if (!keys) {
        emit outcome(StatusBand::Mark::Error, error);
        return std::nullopt;
    }
    // Other card tools skip a line that is no key, and so does the key search.
    if (!skipped.isEmpty()) {
        emit outcome(StatusBand::Mark::None,
                     skipped.size() == 1
                         ? QStringLiteral("Skipped %1").arg(skipped.front())
                         : QStringLiteral("Skipped %1 and %2 more lines that are no key")
                               .arg(skipped.front())
                               .arg(skipped.size() - 1));
    }
    return KeyOrder{std::move(*keys), options_.key_memory};
}

ReaderPort CardPanel::Port() const { return {state_.com_port, state_.baud(), !state_.connected()}; }

bool CardPanel::Begin(Work work, const QString &holder) {
    if (work_ == Work::None && !state_.ClaimReader(holder)) {
        emit outcome(StatusBand::Mark::Error,
                     QStringLiteral("The reader is busy: %1").arg(state_.reader_holder()));
        return false;
    }
    work_ = work;
    progress_->setValue(0);
    UpdateButtons();
    emit working_changed(true);
    return true;
}

void CardPanel::EndWork() {
    work_ = Work::None;
    state_.ReleaseReader();
    UpdateButtons();
    emit working_changed(false);
}

void CardPanel::CancelWork() {
    if (!worker_->running()) return;
    worker_->Cancel();
    progress_text_->setText(progress_text_->text() + QStringLiteral(" (cancelling)"));
    UpdateButtons();
}

void CardPanel::StopAndFinish() {
    if (!worker_->running()) return;
    worker_->Cancel();
    worker_->Finish();
}

void CardPanel::Progressed(const cardwork::Progress &progress) {
    progress_->setValue(static_cast<int>(progress.fraction() * kProgressSteps));
    progress_text_->setText(ProgressText(progress));
}

void CardPanel::Finished() {
    switch (work_) {
        case Work::Read:
            ReadFinished();
            break;
        case Work::CheckWrite:
            CheckFinished();
            break;
        case Work::Write:
            WriteFinished();
            break;
        case Work::None:
            break;
    }
}

// --- reading -----------------------------------------------------------------

void CardPanel::ReadCard() {
    if (working()) return;
    if (document_.modified() &&
        ShowMessageBox({this,
                        QStringLiteral("The dump in this window has changes that are not saved. "
                                       "Replace it with the card's?"),
                        QStringLiteral("Warning"), QMessageBox::Warning,
                        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel}) !=
            QMessageBox::Ok) {
        return;
    }
    const auto family = static_cast<CardFamily>(family_->currentData().toInt());
    std::optional<KeyOrder> keys = Keys();
    if (!keys) return;
    if (!Begin(Work::Read, QStringLiteral("The card workbench is reading a card"))) return;
    results_->clear();
    progress_text_->setText(QStringLiteral("Looking for the card"));
    read_ = std::make_shared<ReadOutcome>();
    worker_->Start(state_.api, [result = read_, port = Port(), family, keys = std::move(*keys)](
                                   cardwork::ReaderSession &session,
                                   const cardwork::ProgressCallback &progress) {
        *result = tilvane::ReadCard(session, port, family, keys, progress);
    });
}

void CardPanel::ReadFinished() {
    const ReadOutcome read = *read_;
    read_.reset();
    EndWork();
    if (read.port_opened) state_.set_connected(true);
    if (!read.dump) {
        progress_text_->setText(QStringLiteral("No card was read"));
        emit outcome(StatusBand::Mark::Error,
                     QStringLiteral("Read failed: %1%2")
                         .arg(read.stopped ? Stop(*read.stopped) : QStringLiteral("no dump"),
                              Warnings(read.warnings)));
        return;
    }
    const int unknown = UnknownBlocks(*read.dump);
    const QString counts =
        QStringLiteral("%1 keys tried, %2 exchanges").arg(read.keys_tried).arg(read.exchanges);
    QString note;
    if (read.stopped) {
        note =
            QStringLiteral("The read stopped (%1): what was read is kept, %2 blocks are unknown.")
                .arg(Stop(*read.stopped))
                .arg(unknown);
    }
    document_.TakeRead(*read.dump, note);
    if (read.stopped) {
        progress_text_->setText(note);
        emit outcome(StatusBand::Mark::Error,
                     QStringLiteral("Read stopped (%1): %2 blocks unknown; %3%4")
                         .arg(Stop(*read.stopped))
                         .arg(unknown)
                         .arg(counts, Warnings(read.warnings)));
    } else if (unknown > 0) {
        emit outcome(StatusBand::Mark::Error,
                     QStringLiteral("Card read, but %1 blocks are unknown (no key opened them); "
                                    "%2%3")
                         .arg(unknown)
                         .arg(counts, Warnings(read.warnings)));
    } else {
        emit outcome(StatusBand::Mark::Success,
                     QStringLiteral("Card read: %1, every block; %2%3")
                         .arg(QString::fromStdString(read.dump->description()), counts,
                              Warnings(read.warnings)));
    }
}

// --- writing -----------------------------------------------------------------

bool CardPanel::Confirm(const QString &text) {
    return ShowMessageBox({this, text, QStringLiteral("Warning"), QMessageBox::Warning,
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No}) ==
           QMessageBox::Yes;
}

void CardPanel::WriteCard() {
    if (working()) return;
    if (!document_.has_dump() || document_.dump().family() != CardFamily::MifareClassic) {
        emit outcome(StatusBand::Mark::Error,
                     QStringLiteral("Only a Mifare Classic dump can be written to a card here"));
        return;
    }
    std::optional<KeyOrder> keys = Keys();
    if (!keys) return;
    if (!Begin(Work::CheckWrite, QStringLiteral("The card workbench is writing a card"))) return;
    results_->clear();
    progress_text_->setText(QStringLiteral("Looking for the card"));
    writing_ = std::make_shared<const cardkit::CardDump>(document_.dump());
    write_options_ = {include_block0_->isChecked(), include_trailers_->isChecked(),
                      verify_->isChecked()};
    write_keys_ = std::move(*keys);
    check_ = std::make_shared<WriteCheck>();
    worker_->Start(state_.api,
                   [check = check_, port = Port(), dump = writing_, options = write_options_](
                       cardwork::ReaderSession &session, const cardwork::ProgressCallback &) {
                       *check = CheckCardForWrite(session, port, *dump, options);
                   });
}

void CardPanel::CheckFinished() {
    const WriteCheck check = *check_;
    check_.reset();
    if (check.port_opened) state_.set_connected(true);
    const auto refuse = [this](const QString &why) {
        EndWork();
        progress_text_->setText(why);
        emit outcome(StatusBand::Mark::Error, why);
    };
    if (check.stopped) {
        refuse(QStringLiteral("Nothing was written: %1").arg(Stop(*check.stopped)));
        return;
    }
    const QString card = Hex(check.card->uid);
    const cardkit::Bytes dump_uid = DumpUid(*writing_);
    if (!dump_uid.empty() && dump_uid != check.card->uid &&
        !Confirm(QStringLiteral("The card in the field is %1, but this dump was read from %2.\n\n"
                                "Write the dump of %2 onto %1?")
                     .arg(card, Hex(dump_uid)))) {
        refuse(QStringLiteral("Not confirmed: nothing was written"));
        return;
    }
    const cardwork::PrivilegedWrites &writes = check.writes;
    if (writes.block0 || !writes.trailer_sectors.empty()) {
        QStringList what;
        QStringList risks;
        if (writes.block0) {
            what << QStringLiteral("block 0");
            risks << QStringLiteral(
                "Block 0 holds the UID: most cards refuse to write it, and on a card that takes "
                "it a wrong block 0 can leave the card unusable.");
        }
        if (!writes.trailer_sectors.empty()) {
            QStringList sectors;
            for (const int sector : writes.trailer_sectors) sectors << QString::number(sector);
            what << QStringLiteral("the trailers (keys and access bits) of sectors %1")
                        .arg(sectors.join(QStringLiteral(", ")));
            risks << QStringLiteral(
                "A wrong trailer locks its sector for good: keys or access bits other than "
                "intended can make the sector unreadable and unwritable, and no one can undo "
                "that.");
        }
        if (!Confirm(QStringLiteral("About to write %1 of card %2.\n\n%3\n\nWrite them?")
                         .arg(what.join(QStringLiteral(" and ")), card, risks.join(u' ')))) {
            refuse(QStringLiteral("Not confirmed: nothing was written"));
            return;
        }
    }
    work_ = Work::Write;
    progress_text_->setText(QStringLiteral("Writing card %1").arg(card));
    write_ = std::make_shared<WriteOutcome>();
    worker_->Start(state_.api, [result = write_, dump = writing_, uid = check.card->uid,
                                options = write_options_,
                                keys = write_keys_](cardwork::ReaderSession &session,
                                                    const cardwork::ProgressCallback &progress) {
        *result = tilvane::WriteCard(session, *dump, uid, options, keys, progress);
    });
    UpdateButtons();
}

void CardPanel::WriteFinished() {
    const WriteOutcome written = *write_;
    write_.reset();
    EndWork();
    if (!written.report) {
        const QString why = QStringLiteral("Nothing was written: %1")
                                .arg(written.stopped ? Stop(*written.stopped) : QString());
        progress_text_->setText(why);
        emit outcome(StatusBand::Mark::Error, why);
        return;
    }
    const std::vector<BlockResult> results =
        BlockResults(*writing_, write_options_, *written.report, written.stopped.has_value());
    int problems = 0;
    for (const BlockResult &result : results) {
        QString line = QStringLiteral("block %1: %2")
                           .arg(result.block)
                           .arg(Text(BlockResultName(result.kind)));
        if (!result.note.empty()) line += QStringLiteral(": ") + Text(result.note);
        auto *item = new QListWidgetItem(line, results_);
        item->setData(Qt::UserRole, result.block);
        item->setData(Qt::UserRole + 1, static_cast<int>(result.kind));
        problems += result.kind != BlockResultKind::Verified &&
                    result.kind != BlockResultKind::Written &&
                    result.kind != BlockResultKind::LeftOut;
    }
    const cardwork::RestoreReport &report = *written.report;
    QString text = QStringLiteral("%1 blocks written").arg(report.written.size());
    if (write_options_.verify) {
        text += QStringLiteral(", %1 read back, %2 differ")
                    .arg(report.verified)
                    .arg(report.differences.size());
    }
    if (!report.skipped.empty())
        text += QStringLiteral(", %1 not written").arg(report.skipped.size());
    writing_.reset();
    if (written.stopped) {
        text = QStringLiteral("Write stopped (%1): %2").arg(Stop(*written.stopped), text);
    } else {
        text = QStringLiteral("Card written: %1").arg(text);
    }
    progress_text_->setText(text);
    emit outcome(
        written.stopped || problems > 0 ? StatusBand::Mark::Error : StatusBand::Mark::Success,
        text);
}

}  // namespace tilvane
