#include "shell/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "common/message_box.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "common/port_failure.h"
#include "common/status_band.h"
#include "common/svg_icon.h"
#include "controls/pelk_menu.h"
#include "shell/about_dialog.h"
#include "shell/app_info.h"
#include "common/app_state.h"
#include "shell/setting_dialog.h"
#include "workbench/workbench_launcher.h"
#include "workbench/exchange_log_window.h"

namespace tilvane {

namespace {

// Swallows the tooltips of the widgets it watches.
class NoToolTips : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        return event->type() == QEvent::ToolTip || QObject::eventFilter(watched, event);
    }
};

const CardFamilyInfo &Family(int family) {
    return kCardFamilies[static_cast<std::size_t>(IsCardFamily(family) ? family : kMifareStd)];
}

}  // namespace

QString MainWindowTitle(int family) {
    return GetAppInfo(QStringLiteral("SoftwareName")) + QStringLiteral("  -  ") +
           QString::fromLatin1(Family(family).name);
}

CMainFrame::CMainFrame(AppState &state, CPranixView::PageFactory factory,
                       CPranixView::ScreenWidth screen_width, QWidget *parent)
    : QMainWindow(parent), state_(state) {
    setObjectName(QStringLiteral("mainFrame"));

    menu_ = new PelkMenu(PelkMenuSettings(), this);
    band_ = new StatusBand(this);
    SetStatusBand(band_);
    BuildToolbar();
    BuildMenu();
    menuBar()->setCornerWidget(band_, Qt::TopRightCorner);

    ShowFamily(state_.card_family);
    connect(&state_, &AppState::connection_changed, this, &CMainFrame::UpdateConnectionCommands);
    connect(&state_, &AppState::reader_busy_changed, this, [this](bool busy) {
        UpdateConnectionCommands();
        ShowInfo(busy ? state_.reader_holder() + QStringLiteral(": the pages wait until it ends")
                      : QStringLiteral("The reader is free again"));
    });
    ConnectAtStart();
    UpdateConnectionCommands();

    view_ = new CPranixView(std::move(factory), std::move(screen_width), this);
    setCentralWidget(view_);
    view_->SwitchPage(state_.card_family);
}

CMainFrame::~CMainFrame() {
    if (CurrentStatusBand() == band_) SetStatusBand(nullptr);
}

QAction *CMainFrame::family_action(int family) const {
    return IsCardFamily(family) ? family_actions_[static_cast<std::size_t>(family)] : nullptr;
}

QAction *CMainFrame::command_action(int id) const {
    return findChild<QAction *>(QStringLiteral("command%1").arg(id));
}

void CMainFrame::BuildToolbar() {
    // The standard main toolbar: docked at the top for good, never floated, and
    // not offered for hiding.
    toolbar_ = new QToolBar(QStringLiteral("Card families"), this);
    toolbar_->setObjectName(QStringLiteral("familyToolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setAllowedAreas(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, toolbar_);
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar_->setIconSize(QSize(16, 16));
    QFont font = toolbar_->font();
    font.setPixelSize(12);
    toolbar_->setFont(font);
    QPalette palette = toolbar_->palette();
    palette.setColor(QPalette::ButtonText, QColor(0, 0, 160));
    toolbar_->setPalette(palette);

    auto *no_tooltips = new NoToolTips(toolbar_);
    auto *family_group = new QActionGroup(this);
    family_group->setExclusive(true);
    for (int family = 0; family < kCardFamilyCount; ++family) {
        const CardFamilyInfo &info = kCardFamilies[static_cast<std::size_t>(family)];
        auto *action = new QAction(SvgIcon(QString::fromLatin1(info.icon)),
                                   QString::fromLatin1(info.menu_text), this);
        action->setObjectName(QString::fromLatin1(info.action_name));
        action->setIconText(QString::fromLatin1(info.name));
        action->setCheckable(true);
        action->setIconVisibleInMenu(false);
        action->setData(info.command_id);
        family_group->addAction(action);
        toolbar_->addAction(action);
        connect(action, &QAction::triggered, this, [this, family] { ChooseFamily(family); });
        family_actions_[static_cast<std::size_t>(family)] = action;
        // The buttons name their family already; the commands carry no prompt.
        toolbar_->widgetForAction(action)->installEventFilter(no_tooltips);
    }
}

void CMainFrame::BuildMenu() {
    const auto command = [this](int id, const QString &text) {
        auto *action = new QAction(text, this);
        action->setObjectName(QStringLiteral("command%1").arg(id));
        action->setData(id);
        return action;
    };

    QAction *exit = command(ID_APP_EXIT, QStringLiteral("Exit(&X)"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    QAction *open_setting = command(ID_SETTING, QStringLiteral("Setting"));
    connect(open_setting, &QAction::triggered, this, &CMainFrame::OpenSettings);
    stop_connect_ = command(ID_STOP_CONNECT, QStringLiteral("Stop Connect"));
    connect(stop_connect_, &QAction::triggered, this, &CMainFrame::Disconnect);
    connect_ = command(ID_CONNECT, QStringLiteral("Connect"));
    connect(connect_, &QAction::triggered, this, &CMainFrame::Connect);
    QAction *exchange_log = command(ID_EXCHANGE_LOG, QStringLiteral("Exchange Log..."));
    connect(exchange_log, &QAction::triggered, this, &CMainFrame::OpenExchangeLog);
    QAction *about = command(ID_APP_ABOUT, QStringLiteral("About Tilvane(&A)..."));
    connect(about, &QAction::triggered, this, &CMainFrame::OpenAbout);
    // The card workbench's items stand above the separator before Exit.
    workbench_ = new WorkbenchLauncher(state_, *this);
    std::vector<QAction *> file = workbench_->MenuItems();
    file.insert(file.end(), {nullptr, exit});

    menu_->Load(
        menuBar(),
        {{QStringLiteral("File(&F)"), file},
         {QStringLiteral("Choose Card(&I)"), {family_actions_.begin(), family_actions_.end()}},
         {QStringLiteral("Setting(&P)"),
          {open_setting, nullptr, stop_connect_, connect_, nullptr, exchange_log}},
         {QStringLiteral("About(&H)"), {about}}});
    // Of the standard toolbar's buttons only About has an item in this menu.
    menu_->LoadToolbarImages({{ID_APP_ABOUT, QStringLiteral(":/icons/about.svg")}});
    // Without a branding file the About item carries the built-in About title.
    if (!AppConfigExists()) menu_->SetItemText(3, 0, BuiltInAppInfo(QStringLiteral("AboutTitle")));
}

void CMainFrame::ShowFamily(int family) {
    setWindowTitle(MainWindowTitle(family));
    if (QAction *action = family_action(family)) action->setChecked(true);
}

void CMainFrame::ChooseFamily(int family) {
    if (!IsCardFamily(family)) return;
    if (family == state_.card_family) return;  // the page and its contents stay
    state_.card_family = family;
    ShowFamily(family);
    view_->SwitchPage(family);
}

void CMainFrame::ConnectAtStart() {
    const std::int32_t status = state_.OpenPort();
    if (status == 0) return;
    // The box keeps its words; the band says why, where the system told.
    const QString reason = ConnectFailureReason(status, state_.com_port);
    if (!reason.isEmpty()) ShowErrorBesideBox(Message(kMsgConnectFailed) + reason);
    ShowInputError(this, Message(kMsgConnectFailed));
}

void CMainFrame::Connect() {
    const std::int32_t status = state_.OpenPort();
    if (status != 0) {
        ShowError(Message(kMsgConnectFailed) + ConnectFailureReason(status, state_.com_port));
        return;
    }
    ShowInfo(Message(kMsgConnectSuccess));
}

void CMainFrame::Disconnect() {
    state_.ClosePort();
    ShowInfo(Message(kMsgDisconnectSuccess));
}

void CMainFrame::UpdateConnectionCommands() {
    // While the workbench works the card on its own thread, nothing here may
    // talk to the reader: the pages and the reader commands wait, and say why.
    const bool free = !state_.reader_busy();
    connect_->setEnabled(free && !state_.connected());
    stop_connect_->setEnabled(free && state_.connected());
    if (QAction *setting = command_action(ID_SETTING)) setting->setEnabled(free);
    if (view_ != nullptr) view_->setEnabled(free);
}

void CMainFrame::OpenSettings() {
    CSettingDlg dialog(state_, this);
    dialog.exec();
}

void CMainFrame::OpenAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OpenExchangeLog() {
    if (exchange_log_ == nullptr) exchange_log_ = new ExchangeLogWindow(state_, this);
    exchange_log_->Open();
}

QMenu *CMainFrame::createPopupMenu() {
    return nullptr;  // no menu of toolbars to hide
}

void CMainFrame::closeEvent(QCloseEvent *event) {
    // The workbench windows close first (each may keep unsaved changes open).
    if (!workbench_->CloseAll()) {
        event->ignore();
        return;
    }
    // The port is closed before the library goes away; the flag keeps its value.
    if (!closed_) {
        closed_ = true;
        if (state_.connected()) state_.api.rf_ClosePort();
    }
    if (exchange_log_ != nullptr) exchange_log_->close();
    event->accept();
}

void CMainFrame::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    // The band takes the right third of the window.
    band_->setFixedWidth(std::max(1, width() / 3));
}

void CMainFrame::paintEvent(QPaintEvent *event) {
    if (!title_set_) {
        title_set_ = true;
        setWindowTitle(MainWindowTitle(state_.card_family));
    }
    QMainWindow::paintEvent(event);
}

}  // namespace tilvane
