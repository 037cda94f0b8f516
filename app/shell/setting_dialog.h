#pragma once

// The reader settings dialog: chooses the port and rate of the next connect,
// connects, and works the reader itself (product information, device address,
// buzzer, light, antenna). Port and rate choices take effect in the application
// state at once.

#include <QDialog>

class QComboBox;
class QPushButton;
class QRadioButton;

namespace tilvane {

class AppState;
class CHexEdit;

class CSettingDlg : public QDialog {
    Q_OBJECT
public:
    // The controls by their original identifiers; ControlName() gives each one's
    // objectName.
    enum ControlId : int {
        IDC_PORT = 1051,
        IDC_BAUD = 1052,
        IDC_CONNECT = 1053,
        IDC_MODEL = 1056,
        IDC_SERIAL = 1057,
        IDC_DLL_VERSION = 1058,
        IDC_READ_PRODUCT = 1066,
        IDC_DEVICE_FLAG = 1059,
        IDC_READ_FLAG = 1063,
        IDC_WRITE_FLAG = 1064,
        IDC_BEEP_TIME = 1060,
        IDC_SET_BEEP = 1067,
        IDC_LIGHT = 1054,
        IDC_SET_LIGHT = 1068,
        IDC_ANTENNA_ON = 1070,
        IDC_ANTENNA_OFF = 1071,
        IDC_SET_ANTENNA = 1069,
        IDC_EXIT = 1,
    };

    explicit CSettingDlg(AppState &state, QWidget *parent = nullptr);

    static QString ControlName(int id);

private:
    void OnConnect();
    void OnReadProductInfo();
    void OnReadDeviceFlag();
    void OnWriteDeviceFlag();
    void OnSetBeepTime();
    void OnSetLightColour();
    void OnSetAntenna();
    void OnPortOrBaudChanged();
    // Reports "Cannot connect to device" when no port is open.
    bool RequireConnection();

    AppState &state_;
    QComboBox *port_ = nullptr;
    QComboBox *baud_ = nullptr;
    QComboBox *light_ = nullptr;
    CHexEdit *model_ = nullptr;
    CHexEdit *serial_ = nullptr;
    CHexEdit *dll_version_ = nullptr;
    CHexEdit *device_flag_ = nullptr;
    CHexEdit *beep_time_ = nullptr;
    QRadioButton *antenna_on_ = nullptr;
};

}  // namespace tilvane
