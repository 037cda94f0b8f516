// The reader settings dialog against a reader of fakes.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "common/hex_edit.h"
#include "common/operator_messages.h"
#include "common/status_band.h"
#include "common/app_state.h"
#include "shell/setting_dialog.h"
#include "accessibility.h"
#include "app_test.h"
#include "device_holder.h"
#include "transport_environment.h"

namespace {

using D = tilvane::CSettingDlg;
using Calls = std::vector<std::string>;

class SettingDialogTest : public app_test::AppTestWithBand {
protected:
    SettingDialogTest() {
        state.api = fake_reader::api();
        state.com_port = 2;
        state.baud_rate = 3;
        state.set_connected(true);
    }

    D &dialog() {
        if (!dialog_) {
            dialog_ = std::make_unique<D>(state);
            dialog_->show();
        }
        return *dialog_;
    }
    template <typename T = QWidget>
    T *control(int id) {
        auto *widget = dialog().findChild<T *>(D::ControlName(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }
    void click(int id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }
    QString text(int id) { return control<tilvane::CHexEdit>(id)->text(); }
    void type(int id, const QString &digits) { control<tilvane::CHexEdit>(id)->setText(digits); }

    tilvane::AppState state;
    std::unique_ptr<D> dialog_;
};

TEST_F(SettingDialogTest, AScreenReaderTellsEachBoxAndListByItsCaption) {
    struct Row {
        const char *caption;
        int id;
    };
    for (const Row &row :
         {Row{"Port", D::IDC_PORT}, Row{"Rate", D::IDC_BAUD}, Row{"Hardware Version", D::IDC_MODEL},
          Row{"Product Serial", D::IDC_SERIAL}, Row{"DLLVersion", D::IDC_DLL_VERSION},
          Row{"Device Address", D::IDC_DEVICE_FLAG}, Row{"Set Beep Time", D::IDC_BEEP_TIME},
          Row{"Color", D::IDC_LIGHT}}) {
        EXPECT_EQ(app_test::AccessibleName(control(row.id)), QString::fromLatin1(row.caption))
            << row.caption;
    }
}

TEST_F(SettingDialogTest, OpensWithTheStoredChoicesAndItsEnglishTexts) {
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Setting"));
    auto *port = control<QComboBox>(D::IDC_PORT);
    auto *baud = control<QComboBox>(D::IDC_BAUD);
    auto *light = control<QComboBox>(D::IDC_LIGHT);
    ASSERT_EQ(port->count(), 4);
    EXPECT_EQ(port->itemText(0), QStringLiteral("COM1"));
    EXPECT_EQ(port->itemData(3).toInt(), 4);
    EXPECT_EQ(port->currentText(), QStringLiteral("COM2"));
    ASSERT_EQ(baud->count(), 7);
    EXPECT_EQ(baud->itemText(6), QStringLiteral("115200"));
    EXPECT_EQ(baud->currentText(), QStringLiteral("28800"));
    EXPECT_EQ(light->currentText(), QStringLiteral("Black out"));
    EXPECT_EQ(light->itemText(3), QStringLiteral("Yellow"));
    EXPECT_TRUE(control<QRadioButton>(D::IDC_ANTENNA_ON)->isChecked());
    EXPECT_EQ(control<QPushButton>(D::IDC_CONNECT)->text(), QStringLiteral("Connect"));
    EXPECT_EQ(control<QPushButton>(D::IDC_EXIT)->text(), QStringLiteral("Exit"));
    EXPECT_EQ(control<tilvane::CHexEdit>(D::IDC_BEEP_TIME)->GetLimitBytes(), 1);
    EXPECT_EQ(control<tilvane::CHexEdit>(D::IDC_DEVICE_FLAG)->GetLimitBytes(), 2);
    // Opening changes nothing.
    EXPECT_EQ(state.com_port, 2);
    EXPECT_EQ(state.baud_rate, 3);
    EXPECT_TRUE(fake_reader::calls().empty());
}

TEST_F(SettingDialogTest, PortAndRateChoicesTakeEffectAtOnceWithoutSendingAnything) {
    control<QComboBox>(D::IDC_PORT)->setCurrentIndex(2);
    control<QComboBox>(D::IDC_BAUD)->setCurrentIndex(5);
    dialog().accept();
    EXPECT_EQ(state.com_port, 3);
    EXPECT_EQ(state.baud_rate, 5);
    EXPECT_TRUE(fake_reader::calls().empty());
}

TEST_F(SettingDialogTest, WithNoPortStoredTheListHasNoSelectionAndConnectFails) {
    state.com_port = 0;
    state.set_connected(false);
    EXPECT_EQ(control<QComboBox>(D::IDC_PORT)->currentIndex(), -1);
    click(D::IDC_CONNECT);
    EXPECT_EQ(fake_reader::calls(), (Calls{"rf_init_com(0,28800)", "rf_ClosePort()"}));
    EXPECT_EQ(band.text(), QStringLiteral("Error: 1 ,Function: rf_init_com"));
    EXPECT_FALSE(state.connected());

    // A rate chosen while no port is selected leaves the port at -1.
    control<QComboBox>(D::IDC_BAUD)->setCurrentIndex(0);
    EXPECT_EQ(state.com_port, -1);
    EXPECT_EQ(state.baud_rate, 0);
    fake_reader::state().calls.clear();
    click(D::IDC_CONNECT);
    EXPECT_EQ(fake_reader::calls(), (Calls{"rf_init_com(-1,9600)", "rf_ClosePort()"}));
    EXPECT_EQ(band.text(), QStringLiteral("Error: 1 ,Function: rf_init_com"));
}

TEST_F(SettingDialogTest, ConnectClosesAnOpenPortFirst) {
    click(D::IDC_CONNECT);
    EXPECT_EQ(fake_reader::calls(), (Calls{"rf_ClosePort()", "rf_init_com(2,28800)"}));
    EXPECT_TRUE(state.connected());
    EXPECT_EQ(band.text(), QStringLiteral("Connect device success"));
}

TEST_F(SettingDialogTest, AFailedConnectLeavesThePortClosed) {
    fake_reader::results("rf_init_com", {0x102});
    click(D::IDC_CONNECT);
    EXPECT_EQ(fake_reader::calls(),
              (Calls{"rf_ClosePort()", "rf_init_com(2,28800)", "rf_ClosePort()"}));
    EXPECT_FALSE(state.connected());
    EXPECT_EQ(band.text(), QStringLiteral("Error: 102 ,Function: rf_init_com"));
}

TEST_F(SettingDialogTest, AConnectToAPortInUseNamesTheProgramHoldingIt) {
    test_support::PseudoTerminalPair pair;
    test_support::DeviceHolder holder(pair.slave_path(),
                                      test_support::DeviceHolder::Lock::LikeTheTransport);
    ASSERT_GT(holder.pid(), 0);
    test_support::use_device(2, pair.slave_path());
    fake_reader::results("rf_init_com", {16});
    click(D::IDC_CONNECT);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 10 ,Function: rf_init_com - the port is in use "
                                          "by another program (held by %1, process %2)")
                               .arg(QString::fromStdString(holder.name()))
                               .arg(holder.pid()));
    EXPECT_FALSE(state.connected());
    unsetenv("SELMEK_PORT2");
}

class WithoutConnection : public SettingDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(WithoutConnection, EveryReaderOperationReportsAndCallsNothing) {
    state.set_connected(false);
    type(D::IDC_DEVICE_FLAG, "3412");
    type(D::IDC_BEEP_TIME, "10");
    click(GetParam());
    EXPECT_TRUE(fake_reader::calls().empty());
    EXPECT_EQ(band.text(), QStringLiteral("Error: Cannot connect to device"));
    EXPECT_EQ(beeps(), 1);
    EXPECT_TRUE(boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Buttons, WithoutConnection,
                         ::testing::Values(D::IDC_READ_PRODUCT, D::IDC_READ_FLAG, D::IDC_WRITE_FLAG,
                                           D::IDC_SET_BEEP, D::IDC_SET_LIGHT, D::IDC_SET_ANTENNA));

TEST_F(SettingDialogTest, ReadProductInformationFillsModelSerialAndVersion) {
    click(D::IDC_READ_PRODUCT);
    EXPECT_EQ(fake_reader::calls(), (Calls{"rf_get_model(0)", "rf_get_snr(0)", "lib_ver()"}));
    EXPECT_EQ(text(D::IDC_MODEL), QStringLiteral("0102"));
    EXPECT_EQ(text(D::IDC_SERIAL), QStringLiteral("1122334455667788"));
    EXPECT_EQ(text(D::IDC_DLL_VERSION), QStringLiteral("2.0"));
    EXPECT_EQ(band.text(), QStringLiteral("Read product infomation successfully"));
}

TEST_F(SettingDialogTest, ReadProductInformationStopsAtTheFailingCall) {
    fake_reader::results("rf_get_snr", {5});
    click(D::IDC_READ_PRODUCT);
    EXPECT_EQ(fake_reader::calls(), (Calls{"rf_get_model(0)", "rf_get_snr(0)"}));
    EXPECT_EQ(text(D::IDC_MODEL), QStringLiteral("0102"));
    EXPECT_EQ(text(D::IDC_SERIAL), QString());
    EXPECT_EQ(band.text(), QStringLiteral("Error: 5 ,Function: rf_get_snr"));
}

TEST_F(SettingDialogTest, TheDeviceFlagReadsLowByteFirstAndWritesBackTheSame) {
    click(D::IDC_READ_FLAG);
    EXPECT_EQ(text(D::IDC_DEVICE_FLAG), QStringLiteral("3412"));
    EXPECT_EQ(band.text(), QStringLiteral("Read product flag successfully"));
    click(D::IDC_WRITE_FLAG);
    EXPECT_EQ(fake_reader::calls().back(), "rf_init_device_number(4660)");  // 0x1234
    EXPECT_EQ(band.text(), QStringLiteral("Write device flag successfully"));

    fake_reader::results("rf_get_device_number", {0x0A});
    click(D::IDC_READ_FLAG);
    EXPECT_EQ(band.text(), QStringLiteral("Error: a ,Function: rf_get_device_number"));
}

TEST_F(SettingDialogTest, ADeviceFlagOfAnotherLengthIsRefused) {
    // Under the edit's 4-digit limit, one byte or none is all that can differ, or
    // a stray last digit.
    for (const char *flag : {"01", "0", "", "123"}) {
        type(D::IDC_DEVICE_FLAG, QString::fromLatin1(flag));
        click(D::IDC_WRITE_FLAG);
    }
    EXPECT_TRUE(fake_reader::calls().empty());
    ASSERT_EQ(boxes().size(), 4u);
    EXPECT_EQ(boxes()[3].text, QStringLiteral("Please input 2 bytes device flag"));
    EXPECT_EQ(boxes()[0].text, QStringLiteral("Please input 2 bytes device flag"));
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes()[0].icon, QMessageBox::Critical);

    fake_reader::results("rf_init_device_number", {3});
    type(D::IDC_DEVICE_FLAG, "FFFF");
    click(D::IDC_WRITE_FLAG);
    EXPECT_EQ(fake_reader::calls(), Calls{"rf_init_device_number(65535)"});
    EXPECT_EQ(band.text(), QStringLiteral("Error: 3 ,Function: rf_init_device_number"));
}

TEST_F(SettingDialogTest, BeepTimeIsSentAsOneByteAndAnEmptyBoxAsksForIt) {
    type(D::IDC_BEEP_TIME, "ff");
    click(D::IDC_SET_BEEP);
    EXPECT_EQ(fake_reader::calls(), Calls{"rf_beep(0,255)"});
    EXPECT_EQ(band.text(), QStringLiteral("Set beep time successfully"));

    type(D::IDC_BEEP_TIME, "");
    click(D::IDC_SET_BEEP);
    EXPECT_EQ(fake_reader::calls().size(), 1u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(band.text(), QStringLiteral("Set beep time successfully"));  // unchanged

    fake_reader::results("rf_beep", {1});
    type(D::IDC_BEEP_TIME, "5");
    click(D::IDC_SET_BEEP);
    EXPECT_EQ(fake_reader::calls().back(), "rf_beep(0,5)");
    EXPECT_EQ(band.text(), QStringLiteral("Error: 1 ,Function: rf_beep"));
}

TEST_F(SettingDialogTest, LightAndAntennaSendTheChosenCodes) {
    control<QComboBox>(D::IDC_LIGHT)->setCurrentIndex(2);
    click(D::IDC_SET_LIGHT);
    EXPECT_EQ(band.text(), QStringLiteral("Set light color successfully"));
    QTest::mouseClick(control<QRadioButton>(D::IDC_ANTENNA_OFF), Qt::LeftButton);
    click(D::IDC_SET_ANTENNA);
    EXPECT_EQ(band.text(), QStringLiteral("Set antenna status successfully"));
    control<QRadioButton>(D::IDC_ANTENNA_ON)->setChecked(true);
    fake_reader::results("rf_antenna_sta", {0x20});
    click(D::IDC_SET_ANTENNA);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 20 ,Function: rf_antenna_sta"));
    fake_reader::results("rf_light", {4});
    click(D::IDC_SET_LIGHT);
    EXPECT_EQ(band.text(), QStringLiteral("Error: 4 ,Function: rf_light"));
    EXPECT_EQ(fake_reader::calls(), (Calls{"rf_light(0,2)", "rf_antenna_sta(0,0)",
                                           "rf_antenna_sta(0,1)", "rf_light(0,2)"}));
}

TEST_F(SettingDialogTest, ExitClosesWithoutConnectingOrDisconnecting) {
    click(D::IDC_EXIT);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_TRUE(fake_reader::calls().empty());
    EXPECT_TRUE(state.connected());
}

}  // namespace
