#include "shell/application.h"

#include <QScreen>

#include "common/message_box.h"
#include "common/svg_icon.h"
#include "shell/page_factory.h"
#include "shell/main_frame.h"
#include "shell/registry_settings.h"

namespace tilvane {

void ShowMaximized(QWidget &window) {
    // Where no window manager maximizes a window (a bare X server, some remote
    // desktops), the window keeps the size it asked for: ask for the screen.
    if (const QScreen *screen = window.screen()) window.setGeometry(screen->availableGeometry());
    window.showMaximized();
}

CPranixApp::CPranixApp(StartOptions options) : options_(std::move(options)) {}

CPranixApp::~CPranixApp() {
    ExitInstance();
}

bool CPranixApp::InitInstance() {
    const QString lock_path =
        options_.lock_path.isEmpty() ? SingleInstance::DefaultLockPath() : options_.lock_path;
    if (!instance_.Acquire(lock_path)) {
        start_ = Start::AlreadyRunning;  // silently: no window, no settings
        return false;
    }

    ReadStoredSettings(state_);

    const QString library_path =
        options_.library_path.isEmpty() ? ReaderLibrary::DefaultPath() : options_.library_path;
    if (!library_.Load(library_path)) {
        start_ = Start::LibraryFailed;
        ShowMessageBox({nullptr, QStringLiteral("Load Drovik.dll failed !"),
                        QStringLiteral("Tilvane"), QMessageBox::Warning, QMessageBox::Ok});
        return false;
    }
    state_.api = library_.api();

    CPranixView::ScreenWidth screen_width = options_.screen_width
                                                ? options_.screen_width
                                                : CPranixView::ScreenWidth(PrimaryScreenWidth);
    frame_ = std::make_unique<CMainFrame>(state_, CardPageFactory(state_), std::move(screen_width));
    frame_->setWindowIcon(SvgIcon(QStringLiteral(":/icons/about.svg")));
    if (options_.show_window) ShowMaximized(*frame_);
    start_ = Start::Running;
    return true;
}

int CPranixApp::ExitInstance() {
    if (exited_) return start_ == Start::LibraryFailed ? 1 : 0;
    exited_ = true;
    if (frame_) {
        // Closing runs the window's own end (the port is closed) even when the
        // event loop ended without it; a second close does nothing more.
        frame_->close();
        frame_.reset();
    }
    state_.api = binding::ReaderApi{};
    library_.Unload();
    if (start_ != Start::AlreadyRunning && start_ != Start::NotStarted) {
        WriteStoredSettings(state_);
    }
    return start_ == Start::LibraryFailed ? 1 : 0;
}

}  // namespace tilvane
