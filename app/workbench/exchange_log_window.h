#pragma once

// The exchange log's window (Setting menu, "Exchange Log..."): every library call
// the application makes while it is open, as it happens, newest last. The
// library's calls are logged only while the window is shown (minimized counts as
// shown); closing it puts the plain table back, and what it listed stays for the
// next time it is opened. A filter over every column, Pause (calls are held and
// join the list on resuming), Clear, Copy (the selected rows, tab-separated),
// Save as text or CSV (the rows the filter shows) and "Show keys".

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "common/exchange_log.h"
#include "workbench/exchange_log_export.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace tilvane {

class AppState;
class ExchangeLogModel;
class ExchangeLogging;

class ExchangeLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExchangeLogWindow(AppState &state, QWidget *parent = nullptr);
    ~ExchangeLogWindow() override;

    // Shows the window raised and active; calls are logged from now on. The
    // first time, it is made to fit the screen.
    void Open();
    bool logging() const { return logging_ != nullptr; }

    // Asks for the file to save to; an empty name cancels. Tests replace it.
    using SaveChooser = std::function<QString(QWidget *parent)>;
    void SetSaveChooser(SaveChooser chooser) { choose_file_ = std::move(chooser); }

    // The selected rows to the clipboard.
    void CopySelection();
    // Asks for a file and saves the rows shown there; the format by its name.
    void Save();
    // Writes the rows shown to `path`, replacing a file only once the new one is
    // complete. False, with an error box, when it could not be written.
    bool SaveTo(const QString &path, LogFileFormat format);

    ExchangeLogModel *model() const { return model_; }
    // The rows as shown: filtered.
    QSortFilterProxyModel *shown() const { return shown_; }
    QTableView *table() const { return table_; }
    QLineEdit *filter() const { return filter_; }
    QPushButton *pause_button() const { return pause_; }
    QPushButton *clear_button() const { return clear_; }
    QPushButton *copy_button() const { return copy_; }
    QPushButton *save_button() const { return save_; }
    QCheckBox *show_keys() const { return show_keys_; }
    QLabel *count_label() const { return count_; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *BuildFilterRow();
    QWidget *BuildTable();
    QWidget *BuildButtonRow();
    void StartLogging();
    void StopLogging();
    void UpdateCount();

    AppState &state_;
    std::shared_ptr<ExchangeLog> log_;
    std::unique_ptr<ExchangeLogging> logging_;
    ExchangeLogModel *model_ = nullptr;
    QSortFilterProxyModel *shown_ = nullptr;
    QTableView *table_ = nullptr;
    QLineEdit *filter_ = nullptr;
    QCheckBox *show_keys_ = nullptr;
    QPushButton *pause_ = nullptr;
    QPushButton *clear_ = nullptr;
    QPushButton *copy_ = nullptr;
    QPushButton *save_ = nullptr;
    QLabel *count_ = nullptr;
    QTimer *held_timer_ = nullptr;
    bool follow_newest_ = true;
    bool opened_ = false;
    bool refused_ = false;
    SaveChooser choose_file_;
};

}  // namespace tilvane
