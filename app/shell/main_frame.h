#pragma once

// The main window: the card menu and family toolbar, the connection to the reader
// (opened at start, Connect and Stop Connect on command, closed on exit), the
// status band in the menu bar, and the view that shows the page of the current
// family.

#include <QMainWindow>

#include <array>

#include "shell/card_families.h"
#include "shell/pranix_view.h"

class QAction;
class QToolBar;

namespace tilvane {

class AppState;
class ExchangeLogWindow;
class PelkMenu;
class StatusBand;
class WorkbenchLauncher;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Menu commands by their original identifiers (the families' are in
    // kCardFamilies).
    enum CommandId : int {
        ID_SETTING = 32781,
        ID_STOP_CONNECT = 32783,
        ID_CONNECT = 32784,
        ID_EXCHANGE_LOG = 32801,
        ID_APP_ABOUT = 57664,
        ID_APP_EXIT = 57665,
    };

    // Builds the window for the state's current family and connects to the
    // reader with the stored port and rate. The factory builds each page.
    CMainFrame(AppState &state, CPranixView::PageFactory factory,
               CPranixView::ScreenWidth screen_width, QWidget *parent = nullptr);
    ~CMainFrame() override;

    // Family switch, as chosen from the menu or the toolbar.
    void ChooseFamily(int family);
    void Connect();
    void Disconnect();
    void OpenSettings();
    void OpenAbout();
    // Opens the exchange log's window (made at the first call, then kept).
    void OpenExchangeLog();

    CPranixView *view() const { return view_; }
    StatusBand *status_band() const { return band_; }
    QAction *family_action(int family) const;
    QAction *command_action(int id) const;
    QToolBar *family_toolbar() const { return toolbar_; }
    PelkMenu *menu() const { return menu_; }
    WorkbenchLauncher *workbench() const { return workbench_; }
    // Null until the exchange log was first opened.
    ExchangeLogWindow *exchange_log() const { return exchange_log_; }

    QMenu *createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void BuildMenu();
    void BuildToolbar();
    void ShowFamily(int family);
    void ConnectAtStart();
    void UpdateConnectionCommands();

    AppState &state_;
    PelkMenu *menu_ = nullptr;
    CPranixView *view_ = nullptr;
    StatusBand *band_ = nullptr;
    QToolBar *toolbar_ = nullptr;
    std::array<QAction *, kCardFamilyCount> family_actions_{};
    QAction *connect_ = nullptr;
    QAction *stop_connect_ = nullptr;
    WorkbenchLauncher *workbench_ = nullptr;
    ExchangeLogWindow *exchange_log_ = nullptr;
    bool title_set_ = false;
    bool closed_ = false;
};

// The main window's title for a family: the software name, "  -  ", the family.
QString MainWindowTitle(int family);

}  // namespace tilvane
