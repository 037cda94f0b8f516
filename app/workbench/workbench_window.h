#pragma once

// A card workbench window: one dump and its file name, opened from and saved to
// every format cardkit knows, shown decoded and edited (Dump), compared with a
// second dump (Compare), read from and written to the card through the reader
// (Card). Outcomes appear in the window's own status band. The window asks
// before it closes, or before another dump replaces its own, while the dump has
// unsaved changes; work on the card under way is stopped first and what it did
// kept.

#include <QMainWindow>

#include <optional>

#include "cardkit/dump_formats.h"
#include "common/status_band.h"
#include "workbench/workbench_options.h"

class QAction;
class QLabel;
class QScrollArea;
class QTabWidget;

namespace tilvane {

class AppState;
class CardPanel;
class ComparePanel;
class DumpDocument;
class DumpPanel;

class WorkbenchWindow : public QMainWindow {
    Q_OBJECT
public:
    WorkbenchWindow(AppState &state, WorkbenchOptions options = {}, QWidget *parent = nullptr);
    ~WorkbenchWindow() override;

    // Opens a dump file in this window (asking first when the dump here has
    // unsaved changes); false, with the reason in the status band, when it
    // cannot be read or the operator kept the dump here.
    bool OpenFile(const QString &path);
    // Asks for a file and opens it.
    void Open();
    // Saves to the dump's file, or asks for one; false when nothing was saved.
    bool Save();
    bool SaveAs();
    // Saves in `format` to `path`, telling first what the format loses and
    // saving only if the operator agrees.
    bool SaveTo(const QString &path, cardkit::DumpFormat format);

    DumpDocument &document() const { return *document_; }
    DumpPanel *dump_panel() const { return dump_panel_; }
    ComparePanel *compare_panel() const { return compare_panel_; }
    CardPanel *card_panel() const { return card_panel_; }
    QTabWidget *tabs() const { return tabs_; }
    StatusBand *band() const { return band_; }
    QAction *action(const QString &name) const;

    void ShowOutcome(StatusBand::Mark mark, const QString &text);

signals:
    // A dump file was opened or saved here (for the list of recent files).
    void file_used(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildMenus();
    QWidget *BuildHeader();
    void UpdateTitle();
    void UpdateHeader();
    // True when the dump may go: saved, or the operator chose to.
    bool MayDiscard(const QString &question);

    AppState &state_;
    DumpDocument *document_;
    QTabWidget *tabs_ = nullptr;
    DumpPanel *dump_panel_ = nullptr;
    ComparePanel *compare_panel_ = nullptr;
    CardPanel *card_panel_ = nullptr;
    StatusBand *band_ = nullptr;
    QLabel *summary_ = nullptr;
    QLabel *partial_ = nullptr;
};

}  // namespace tilvane
