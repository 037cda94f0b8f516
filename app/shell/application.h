#pragma once

// The application object: one running copy per user, the stored settings, the
// reader library bound by ordinal, the main window; at the end the library is
// freed and the settings stored again.

#include <QString>
#include <QWidget>

#include <memory>

#include "common/app_state.h"
#include "shell/pranix_view.h"
#include "shell/reader_library.h"
#include "shell/single_instance.h"

namespace tilvane {

class CMainFrame;

// Shows `window` maximized, sized to its screen's available area first.
void ShowMaximized(QWidget &window);

struct StartOptions {
    QString library_path;                   // empty: libDrovik.so beside the executable
    QString lock_path;                      // empty: the user's runtime directory
    CPranixView::ScreenWidth screen_width;  // empty: the primary screen's width
    bool show_window = true;
};

class CPranixApp {
public:
    enum class Start { NotStarted, Running, AlreadyRunning, LibraryFailed };

    explicit CPranixApp(StartOptions options = {});
    ~CPranixApp();

    // Start-up; false ends the process (ExitInstance still runs).
    bool InitInstance();
    // The end: the main window closed, the library freed, the settings stored.
    // Returns the process's exit code.
    int ExitInstance();

    Start start() const { return start_; }
    AppState &state() { return state_; }
    CMainFrame *main_frame() const { return frame_.get(); }
    const ReaderLibrary &library() const { return library_; }

private:
    StartOptions options_;
    Start start_ = Start::NotStarted;
    bool exited_ = false;
    SingleInstance instance_;
    AppState state_;
    ReaderLibrary library_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace tilvane
