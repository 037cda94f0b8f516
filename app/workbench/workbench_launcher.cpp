#include "workbench/workbench_launcher.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <algorithm>

#include "common/operator_messages.h"
#include "workbench/dump_document.h"
#include "workbench/dump_files.h"
#include "workbench/file_choice.h"
#include "workbench/workbench_window.h"

namespace tilvane {

namespace {

constexpr auto kRecentKey = "Workbench/RecentDumps";

QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velomar"),
                     QStringLiteral("Tilvane"));
}

// The local files a drag carries.
QStringList DroppedFiles(const QMimeData *data) {
    QStringList files;
    if (data == nullptr || !data->hasUrls()) return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) files << url.toLocalFile();
    }
    return files;
}

}  // namespace

WorkbenchLauncher::WorkbenchLauncher(AppState &state, QMainWindow &frame, WorkbenchOptions options)
    : QObject(&frame),
      state_(state),
      frame_(frame),
      options_(std::move(options)),
      open_workbench_(new QAction(QStringLiteral("Card Workbench..."), this)),
      open_dump_(new QAction(QStringLiteral("Open Dump..."), this)),
      recent_menu_(new QMenu(QStringLiteral("Recent Dumps"), &frame)) {
    open_workbench_->setObjectName(QStringLiteral("openWorkbench"));
    open_dump_->setObjectName(QStringLiteral("openDump"));
    recent_menu_->setObjectName(QStringLiteral("recentDumps"));
    recent_menu_->menuAction()->setObjectName(QStringLiteral("recentDumpsMenu"));
    connect(open_workbench_, &QAction::triggered, this, [this] { OpenWindow(); });
    connect(open_dump_, &QAction::triggered, this, &WorkbenchLauncher::OpenDump);
    connect(recent_menu_, &QMenu::aboutToShow, this, &WorkbenchLauncher::FillRecentMenu);
    FillRecentMenu();
    frame_.setAcceptDrops(true);
    frame_.installEventFilter(this);
}

std::vector<QAction *> WorkbenchLauncher::MenuItems() const {
    return {open_workbench_, open_dump_, recent_menu_->menuAction()};
}

std::vector<WorkbenchWindow *> WorkbenchLauncher::windows() const {
    std::vector<WorkbenchWindow *> open;
    // A closed window lingers until the event loop deletes it.
    for (const QPointer<WorkbenchWindow> &window : windows_) {
        if (window && !window->isHidden()) open.push_back(window);
    }
    return open;
}

WorkbenchWindow *WorkbenchLauncher::OpenWindow() {
    auto *window = new WorkbenchWindow(state_, options_, &frame_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &WorkbenchWindow::file_used, this, &WorkbenchLauncher::Remember);
    windows_.erase(std::remove(windows_.begin(), windows_.end(), nullptr), windows_.end());
    windows_.emplace_back(window);
    window->show();
    return window;
}

void WorkbenchLauncher::OpenDump() {
    const FileChoice choice = ChooseFile(
        {&frame_, QStringLiteral("Open Dump"), OpenFilters(), QString(), QString(), false});
    if (!choice.path.isEmpty()) OpenFile(choice.path);
}

WorkbenchWindow *WorkbenchLauncher::OpenFile(const QString &path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (WorkbenchWindow *window : windows()) {
        if (window->document().file_path() == absolute) {
            window->raise();
            window->activateWindow();
            return window;
        }
    }
    WorkbenchWindow *window = OpenWindow();
    if (!window->OpenFile(absolute)) {
        // An empty window would only hide the reason: it goes to the main
        // window's status band.
        const QString why = window->band()->text();
        window->close();
        ShowError(why);
        return nullptr;
    }
    return window;
}

bool WorkbenchLauncher::CloseAll() {
    for (WorkbenchWindow *window : windows()) {
        if (!window->close()) return false;
    }
    return true;
}

QStringList WorkbenchLauncher::recent_files() const {
    return Store().value(QString::fromLatin1(kRecentKey)).toStringList();
}

void WorkbenchLauncher::Remember(const QString &path) {
    QStringList files = recent_files();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFiles) files.removeLast();
    QSettings store = Store();
    store.setValue(QString::fromLatin1(kRecentKey), files);
    FillRecentMenu();
}

void WorkbenchLauncher::FillRecentMenu() {
    recent_menu_->clear();
    const QStringList files = recent_files();
    int number = 0;
    for (const QString &file : files) {
        ++number;
        QAction *item = recent_menu_->addAction(
            QStringLiteral("&%1 %2").arg(number).arg(QFileInfo(file).fileName()));
        item->setToolTip(file);
        item->setData(file);
        connect(item, &QAction::triggered, this, [this, file] { OpenFile(file); });
    }
    recent_menu_->menuAction()->setEnabled(!files.isEmpty());
}

bool WorkbenchLauncher::eventFilter(QObject *watched, QEvent *event) {
    if (watched == &frame_) {
        if (event->type() == QEvent::DragEnter) {
            auto *drag = static_cast<QDragEnterEvent *>(event);
            if (!DroppedFiles(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
                return true;
            }
        } else if (event->type() == QEvent::Drop) {
            auto *drop = static_cast<QDropEvent *>(event);
            const QStringList files = DroppedFiles(drop->mimeData());
            if (!files.isEmpty()) {
                for (const QString &file : files) OpenFile(file);
                drop->acceptProposedAction();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tilvane
