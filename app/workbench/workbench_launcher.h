#pragma once

// How the main window reaches the card workbench: the File menu's "Card
// Workbench..." (an empty window), "Open Dump..." (a window on a file) and the
// recent dump files, and dump files dropped on the main window. It keeps the
// windows it opened; a file open in one of them already brings that window
// forward instead of opening it twice. The recent files are kept in the user's
// settings store (organisation "Velomar", application "Tilvane").

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <vector>

#include "workbench/workbench_options.h"

class QAction;
class QMainWindow;
class QMenu;

namespace tilvane {

class AppState;
class WorkbenchWindow;

class WorkbenchLauncher : public QObject {
    Q_OBJECT
public:
    static constexpr int kRecentFiles = 8;

    // Windows open over `frame`; drops on it open files.
    WorkbenchLauncher(AppState &state, QMainWindow &frame, WorkbenchOptions options = {});

    // The File menu's items, in order: Card Workbench..., Open Dump..., Recent
    // Dumps (a submenu).
    std::vector<QAction *> MenuItems() const;

    WorkbenchWindow *OpenWindow();
    // Asks for a file and opens it.
    void OpenDump();
    // The window showing `path` (brought forward), or a new one; null when the
    // file cannot be opened (the new window is closed again).
    WorkbenchWindow *OpenFile(const QString &path);
    // Closes every window; false when one stays open (the operator kept unsaved
    // changes).
    bool CloseAll();

    std::vector<WorkbenchWindow *> windows() const;
    QStringList recent_files() const;
    QMenu *recent_menu() const { return recent_menu_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Remember(const QString &path);
    void FillRecentMenu();

    AppState &state_;
    QMainWindow &frame_;
    WorkbenchOptions options_;
    QAction *open_workbench_;
    QAction *open_dump_;
    QMenu *recent_menu_;
    std::vector<QPointer<WorkbenchWindow>> windows_;
};

}  // namespace tilvane
