#include "shell/setting_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <map>

#include "common/accessible_caption.h"
#include "common/hex_edit.h"
#include "common/hex_text.h"
#include "common/message_box.h"
#include "common/message_table.h"
#include "common/operator_messages.h"
#include "common/port_failure.h"
#include "common/app_state.h"
#include "common/baud_table.h"
#include "protocol/frame.h"

namespace tilvane {

namespace {

constexpr int kReaderAddress = protocol::kBroadcastAddress;

// The dialog's texts: English, Chinese.
struct Label {
    const char *english;
    const char *chinese;
};

QString Text(const Label &label) {
    return QString::fromUtf8(kLanguageIndex == 1 ? label.english : label.chinese);
}

constexpr Label kCaption{"Setting", "设置端口"};
constexpr Label kPortSet{"Port Set", "端口设置"};
constexpr Label kPort{"Port", "端口值"};
constexpr Label kRate{"Rate", "波特率"};
constexpr Label kConnect{"Connect", "连接"};
constexpr Label kProduct{"Product Infomation", "产品信息"};
constexpr Label kHardware{"Hardware Version", "硬件版本"};
constexpr Label kSerial{"Product Serial", "产品序号"};
constexpr Label kDllVersion{"DLLVersion", "DLL版本"};
constexpr Label kRead{"Read", "读取"};
constexpr Label kWrite{"Write", "写入"};
constexpr Label kDeviceAddress{"Device Address", "设备地址"};
constexpr Label kBeep{"Set Beep Time", "设置蜂鸣时间"};
constexpr Label kLightGroup{"Set light color", "设置指示灯颜色"};
constexpr Label kColour{"Color", "颜色"};
constexpr Label kRun{"Run", "执行"};
constexpr Label kAntenna{"Set antenna status", "设置天线状态"};
constexpr Label kOn{"ON", "开"};
constexpr Label kOff{"OFF", "关"};
constexpr Label kExit{"Exit", "离开"};
constexpr Label kColours[4] = {
    {"Black out", "熄灭"}, {"Red", "红"}, {"Green", "绿"}, {"Yellow", "黄"}};

const std::map<int, const char *> &ControlNames() {
    using D = CSettingDlg;
    static const std::map<int, const char *> names = {
        {D::IDC_PORT, "port"},
        {D::IDC_BAUD, "baud"},
        {D::IDC_CONNECT, "connect"},
        {D::IDC_MODEL, "model"},
        {D::IDC_SERIAL, "serial"},
        {D::IDC_DLL_VERSION, "dllVersion"},
        {D::IDC_READ_PRODUCT, "readProduct"},
        {D::IDC_DEVICE_FLAG, "deviceFlag"},
        {D::IDC_READ_FLAG, "readDeviceFlag"},
        {D::IDC_WRITE_FLAG, "writeDeviceFlag"},
        {D::IDC_BEEP_TIME, "beepTime"},
        {D::IDC_SET_BEEP, "setBeep"},
        {D::IDC_LIGHT, "lightColour"},
        {D::IDC_SET_LIGHT, "setLight"},
        {D::IDC_ANTENNA_ON, "antennaOn"},
        {D::IDC_ANTENNA_OFF, "antennaOff"},
        {D::IDC_SET_ANTENNA, "setAntenna"},
        {D::IDC_EXIT, "exit"},
    };
    return names;
}

}  // namespace

QString CSettingDlg::ControlName(int id) {
    const auto found = ControlNames().find(id);
    return found != ControlNames().end() ? QString::fromLatin1(found->second) : QString();
}

CSettingDlg::CSettingDlg(AppState &state, QWidget *parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("settingDialog"));
    setWindowTitle(Text(kCaption));
    setModal(true);

    const auto named = [](auto *widget, int id) {
        widget->setObjectName(ControlName(id));
        return widget;
    };
    const auto button = [&](int id, const Label &label) {
        return named(new QPushButton(Text(label), this), id);
    };
    const auto hex_edit = [&](int id) { return named(new CHexEdit(this), id); };

    // Port and rate.
    auto *port_group = new QGroupBox(Text(kPortSet), this);
    port_ = named(new QComboBox(port_group), IDC_PORT);
    baud_ = named(new QComboBox(port_group), IDC_BAUD);
    auto *connect_button = button(IDC_CONNECT, kConnect);
    auto *port_grid = new QGridLayout(port_group);
    port_grid->addWidget(CaptionLabel(Text(kPort), port_, port_group), 0, 0);
    port_grid->addWidget(port_, 0, 1);
    port_grid->addWidget(CaptionLabel(Text(kRate), baud_, port_group), 1, 0);
    port_grid->addWidget(baud_, 1, 1);
    port_grid->addWidget(connect_button, 0, 2, 2, 1);

    // Product information.
    auto *product_group = new QGroupBox(Text(kProduct), this);
    model_ = hex_edit(IDC_MODEL);
    serial_ = hex_edit(IDC_SERIAL);
    dll_version_ = hex_edit(IDC_DLL_VERSION);
    auto *read_product = button(IDC_READ_PRODUCT, kRead);
    auto *product_grid = new QGridLayout(product_group);
    product_grid->addWidget(CaptionLabel(Text(kHardware), model_, product_group), 0, 0);
    product_grid->addWidget(model_, 0, 1);
    product_grid->addWidget(CaptionLabel(Text(kSerial), serial_, product_group), 1, 0);
    product_grid->addWidget(serial_, 1, 1);
    product_grid->addWidget(CaptionLabel(Text(kDllVersion), dll_version_, product_group), 2, 0);
    product_grid->addWidget(dll_version_, 2, 1);
    product_grid->addWidget(read_product, 0, 2, 3, 1);

    // Device address.
    auto *address_group = new QGroupBox(Text(kDeviceAddress), this);
    device_flag_ = hex_edit(IDC_DEVICE_FLAG);
    NameAfterCaption(device_flag_, Text(kDeviceAddress));
    auto *read_flag = button(IDC_READ_FLAG, kRead);
    auto *write_flag = button(IDC_WRITE_FLAG, kWrite);
    auto *address_row = new QHBoxLayout(address_group);
    address_row->addWidget(device_flag_);
    address_row->addWidget(read_flag);
    address_row->addWidget(write_flag);

    // Beep time.
    auto *beep_group = new QGroupBox(Text(kBeep), this);
    beep_time_ = hex_edit(IDC_BEEP_TIME);
    NameAfterCaption(beep_time_, Text(kBeep));
    auto *set_beep = button(IDC_SET_BEEP, kRun);
    auto *beep_row = new QHBoxLayout(beep_group);
    beep_row->addWidget(new QLabel(QStringLiteral("0x00 - 0xff"), beep_group));
    beep_row->addWidget(beep_time_);
    beep_row->addWidget(new QLabel(QStringLiteral("X 10ms"), beep_group));
    beep_row->addWidget(set_beep);

    // Light.
    auto *light_group = new QGroupBox(Text(kLightGroup), this);
    light_ = named(new QComboBox(light_group), IDC_LIGHT);
    auto *set_light = button(IDC_SET_LIGHT, kRun);
    auto *light_row = new QHBoxLayout(light_group);
    light_row->addWidget(CaptionLabel(Text(kColour), light_, light_group));
    light_row->addWidget(light_);
    light_row->addWidget(set_light);

    // Antenna.
    auto *antenna_group = new QGroupBox(Text(kAntenna), this);
    antenna_on_ = named(new QRadioButton(Text(kOn), antenna_group), IDC_ANTENNA_ON);
    auto *antenna_off = named(new QRadioButton(Text(kOff), antenna_group), IDC_ANTENNA_OFF);
    auto *set_antenna = button(IDC_SET_ANTENNA, kRun);
    auto *antenna_row = new QHBoxLayout(antenna_group);
    antenna_row->addWidget(antenna_on_);
    antenna_row->addWidget(antenna_off);
    antenna_row->addWidget(set_antenna);

    auto *exit_button = button(IDC_EXIT, kExit);
    exit_button->setDefault(true);

    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(port_group);
    left->addWidget(product_group);
    left->addWidget(address_group);
    auto *right = new QVBoxLayout;
    right->addWidget(beep_group);
    right->addWidget(light_group);
    right->addWidget(antenna_group);
    right->addStretch();
    columns->addLayout(left);
    columns->addLayout(right);
    auto *root = new QVBoxLayout(this);
    root->addLayout(columns);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(exit_button);
    root->addLayout(bottom);
    // Three buttons read "Run" and two "Read": their group tells them apart.
    for (const QGroupBox *group : findChildren<QGroupBox *>()) {
        for (QPushButton *inside : group->findChildren<QPushButton *>()) {
            inside->setAccessibleDescription(group->title());
        }
    }

    // Opening: lists filled and the stored choices selected, without treating
    // that as the operator's change.
    {
        const QSignalBlocker port_blocker(port_), baud_blocker(baud_);
        for (int port = 1; port <= kLastComPort; ++port) {
            port_->addItem(QStringLiteral("COM%1").arg(port), port);
        }
        const bool port_listed = state_.com_port >= 1 && state_.com_port <= kLastComPort;
        port_->setCurrentIndex(port_listed ? state_.com_port - 1 : -1);
        for (std::size_t i = 0; i < kBaudTable.size(); ++i) {
            baud_->addItem(QString::number(kBaudTable[i]), static_cast<int>(i));
        }
        baud_->setCurrentIndex(IsBaudIndex(state_.baud_rate) ? state_.baud_rate : -1);
    }
    for (int code = 0; code < 4; ++code) light_->addItem(Text(kColours[code]), code);
    light_->setCurrentIndex(0);
    antenna_on_->setChecked(true);
    beep_time_->SetLimitBytes(1);
    device_flag_->SetLimitBytes(2);

    connect(port_, &QComboBox::currentIndexChanged, this, &CSettingDlg::OnPortOrBaudChanged);
    connect(baud_, &QComboBox::currentIndexChanged, this, &CSettingDlg::OnPortOrBaudChanged);
    connect(connect_button, &QPushButton::clicked, this, &CSettingDlg::OnConnect);
    connect(read_product, &QPushButton::clicked, this, &CSettingDlg::OnReadProductInfo);
    connect(read_flag, &QPushButton::clicked, this, &CSettingDlg::OnReadDeviceFlag);
    connect(write_flag, &QPushButton::clicked, this, &CSettingDlg::OnWriteDeviceFlag);
    connect(set_beep, &QPushButton::clicked, this, &CSettingDlg::OnSetBeepTime);
    connect(set_light, &QPushButton::clicked, this, &CSettingDlg::OnSetLightColour);
    connect(set_antenna, &QPushButton::clicked, this, &CSettingDlg::OnSetAntenna);
    connect(exit_button, &QPushButton::clicked, this, &QDialog::accept);
}

void CSettingDlg::OnPortOrBaudChanged() {
    // A list without a selection gives -1, which no connect accepts.
    const QVariant port = port_->currentData();
    const QVariant baud = baud_->currentData();
    state_.com_port = port.isValid() ? port.toInt() : -1;
    state_.baud_rate = baud.isValid() ? baud.toInt() : -1;
}

bool CSettingDlg::RequireConnection() {
    if (state_.connected()) return true;
    ShowError(Message(kMsgCannotConnect));
    return false;
}

void CSettingDlg::OnConnect() {
    if (state_.connected()) state_.ClosePort();
    const std::int32_t status = state_.OpenPort();
    if (status != 0) {
        ShowFailedResult(status, "rf_init_com", ConnectFailureReason(status, state_.com_port));
        return;
    }
    ShowInfo(Message(kMsgConnectSuccess));
}

void CSettingDlg::OnReadProductInfo() {
    if (!RequireConnection()) return;
    const binding::ReaderApi &api = state_.api;
    std::uint8_t buffer[protocol::kAnswerRoom] = {};
    std::int32_t status = api.rf_get_model(kReaderAddress, buffer);
    if (status != 0) {
        ShowResult(status, "rf_get_model");
        return;
    }
    SetHexText(model_, buffer, 2);
    status = api.rf_get_snr(kReaderAddress, buffer);
    if (status != 0) {
        ShowResult(status, "rf_get_snr");
        return;
    }
    SetHexText(serial_, buffer, 8);
    std::uint32_t version = 0;
    status = api.lib_ver(&version);
    if (status != 0) {
        ShowResult(status, "lib_ver");
        return;
    }
    dll_version_->setText(QStringLiteral("%1.0").arg(static_cast<std::int32_t>(version)));
    ShowInfo(Message(kMsgReadProductInfoSuccess));
}

void CSettingDlg::OnReadDeviceFlag() {
    if (!RequireConnection()) return;
    std::uint16_t address = 0;
    const std::int32_t status = state_.api.rf_get_device_number(&address);
    if (status != 0) {
        ShowResult(status, "rf_get_device_number");
        return;
    }
    // Memory order, low byte first: what Write takes back unchanged.
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(address & 0xFF),
                                   static_cast<std::uint8_t>(address >> 8)};
    SetHexText(device_flag_, bytes, 2);
    ShowInfo(Message(kMsgReadDeviceFlagSuccess));
}

void CSettingDlg::OnWriteDeviceFlag() {
    if (!RequireConnection()) return;
    // Exactly four digits: "123" would send 12 03.
    const auto flag = ExactHexBytes(device_flag_, 2);
    if (!flag) {
        ShowInputError(this, Message(kMsgInputDeviceFlag));
        return;
    }
    const std::int32_t status = state_.api.rf_init_device_number((*flag)[0] + 256 * (*flag)[1]);
    if (status != 0) {
        ShowResult(status, "rf_init_device_number");
        return;
    }
    ShowInfo(Message(kMsgWriteDeviceFlagSuccess));
}

void CSettingDlg::OnSetBeepTime() {
    if (!RequireConnection()) return;
    const Bytes time = HexToBytes(beep_time_);
    if (time.empty()) {
        // Nothing to send: ask for the time rather than report a success.
        ShowMissingInput(this, QStringLiteral("Please input the beep time (00 - ff)"));
        return;
    }
    const std::int32_t status = state_.api.rf_beep(kReaderAddress, time[0]);
    if (status != 0) {
        ShowResult(status, "rf_beep");
        return;
    }
    ShowInfo(Message(kMsgSetBeepSuccess));
}

void CSettingDlg::OnSetLightColour() {
    if (!RequireConnection()) return;
    const int code = light_->currentData().toInt();
    const std::int32_t status = state_.api.rf_light(kReaderAddress, code);
    if (status != 0) {
        ShowResult(status, "rf_light");
        return;
    }
    ShowInfo(Message(kMsgSetLightSuccess));
}

void CSettingDlg::OnSetAntenna() {
    if (!RequireConnection()) return;
    const int antenna_state = antenna_on_->isChecked() ? 1 : 0;
    const std::int32_t status = state_.api.rf_antenna_sta(kReaderAddress, antenna_state);
    if (status != 0) {
        ShowResult(status, "rf_antenna_sta");
        return;
    }
    ShowInfo(Message(kMsgSetAntennaSuccess));
}

}  // namespace tilvane
