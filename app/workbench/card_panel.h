#pragma once

// The card itself: a whole card read into the window (the family chosen here,
// Mifare Classic keys searched with the dictionaries listed here after the keys
// remembered for the card) and the window's Mifare Classic dump written to the
// card in the field, with read-back verification and a result a block. The work
// runs on a CardWorker while this window holds the reader (the main window takes
// no reader command meanwhile); Cancel stops it within one exchange and keeps
// what it did. Block 0 and trailers are written only after a confirmation of
// their own that names the risk, and a dump of another card only after the
// operator has agreed to write it onto this one.

#include <QWidget>

#include <memory>
#include <optional>

#include "cardkit/dump.h"
#include "cardwork/mifare_restore.h"
#include "cardwork/progress.h"
#include "common/status_band.h"
#include "workbench/card_jobs.h"
#include "workbench/workbench_options.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace tilvane {

class AppState;
class CardWorker;
class DumpDocument;

class CardPanel : public QWidget {
    Q_OBJECT
public:
    CardPanel(AppState &state, DumpDocument &document, WorkbenchOptions options,
              QWidget *parent = nullptr);

    void ReadCard();
    void WriteCard();
    void CancelWork();
    void AddDictionary();
    // Adds dictionary files to the list (a file listed already is kept once).
    void AddDictionaries(const QStringList &paths);
    void RemoveDictionary();

    bool working() const { return work_ != Work::None; }
    // For a window that closes: stops the work under way and takes what it did.
    void StopAndFinish();

    CardWorker *worker() const { return worker_; }
    QProgressBar *progress_bar() const { return progress_; }
    QLabel *progress_text() const { return progress_text_; }
    QListWidget *result_list() const { return results_; }

signals:
    void outcome(StatusBand::Mark mark, const QString &text);
    void working_changed(bool working);

private:
    enum class Work { None, Read, CheckWrite, Write };

    QWidget *BuildReadGroup();
    QWidget *BuildWriteGroup();
    QWidget *BuildProgressGroup();

    bool Begin(Work work, const QString &holder);
    void EndWork();
    void UpdateButtons();
    std::optional<KeyOrder> Keys();
    ReaderPort Port() const;
    void Progressed(const cardwork::Progress &progress);
    void Finished();
    void ReadFinished();
    void CheckFinished();
    void WriteFinished();
    bool Confirm(const QString &text);

    AppState &state_;
    DumpDocument &document_;
    WorkbenchOptions options_;
    CardWorker *worker_;
    Work work_ = Work::None;

    std::shared_ptr<ReadOutcome> read_;
    std::shared_ptr<WriteCheck> check_;
    std::shared_ptr<WriteOutcome> write_;
    // What is being written, from the check to the end of the write.
    std::shared_ptr<const cardkit::CardDump> writing_;
    cardwork::RestoreOptions write_options_;
    KeyOrder write_keys_;

    QComboBox *family_ = nullptr;
    QListWidget *dictionaries_ = nullptr;
    QPushButton *add_dictionary_ = nullptr;
    QPushButton *remove_dictionary_ = nullptr;
    QPushButton *read_button_ = nullptr;
    QCheckBox *verify_ = nullptr;
    QCheckBox *include_block0_ = nullptr;
    QCheckBox *include_trailers_ = nullptr;
    QPushButton *write_button_ = nullptr;
    QPushButton *cancel_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QLabel *progress_text_ = nullptr;
    QListWidget *results_ = nullptr;
};

// "Sector 5 of 16: key A, 12 of 40 keys tried; 88 keys tried, 300 exchanges".
QString ProgressText(const cardwork::Progress &progress);

}  // namespace tilvane
