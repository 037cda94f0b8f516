// The three stored values (card family, port, baud index) and the branding file.

#include <gtest/gtest.h>

#include <QSettings>

#include "shell/app_info.h"
#include "common/app_state.h"
#include "shell/registry_settings.h"
#include "app_test.h"

namespace {

class StoredSettings : public app_test::AppTest {
protected:
    void store(const QByteArray &general_section) {
        write_settings("[General]\n" + general_section);
    }
    struct Values {
        int card_family, com_port, baud_rate;
    };
    Values read() {
        tilvane::AppState state;
        tilvane::ReadStoredSettings(state);
        return {state.card_family, state.com_port, state.baud_rate};
    }
};

TEST_F(StoredSettings, AFreshMachineStartsOnMifareStdWithNoPortAnd14400) {
    tilvane::AppState state;
    state.baud_rate = 4;  // the key cannot be opened: the baud index is left alone
    tilvane::ReadStoredSettings(state);
    EXPECT_EQ(state.card_family, 1);
    EXPECT_EQ(state.com_port, 0);
    EXPECT_EQ(state.baud_rate, 4);
    EXPECT_EQ(read().baud_rate, 1);
}

TEST_F(StoredSettings, StoredValuesAreTakenAsTheyStand) {
    store("CurCard=6\nComPort=3\nBaudRate=5\n");
    const auto state = read();
    EXPECT_EQ(state.card_family, 6);
    EXPECT_EQ(state.com_port, 3);
    EXPECT_EQ(state.baud_rate, 5);
}

struct Stored {
    const char *name;
    const char *contents;
    int card_family, com_port, baud_rate;
};

void PrintTo(const Stored &stored, std::ostream *os) {
    *os << stored.name;
}

class StoredValueRows : public StoredSettings, public ::testing::WithParamInterface<Stored> {};

TEST_P(StoredValueRows, FallBackToTheDefaultWhenMissingOrOutOfRange) {
    store(GetParam().contents);
    const auto state = read();
    EXPECT_EQ(state.card_family, GetParam().card_family);
    EXPECT_EQ(state.com_port, GetParam().com_port);
    EXPECT_EQ(state.baud_rate, GetParam().baud_rate);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StoredValueRows,
    ::testing::Values(
        Stored{"string_card_family", "CurCard=Mifare\nComPort=2\nBaudRate=3\n", 1, 2, 3},
        Stored{"number_with_letters", "CurCard=5x\nComPort=2x\nBaudRate=3x\n", 1, 0, 1},
        Stored{"negative", "CurCard=-1\nComPort=-1\nBaudRate=-2\n", 1, 0, 1},
        Stored{"list", "CurCard=\"2,3\"\nComPort=1, 2\nBaudRate=4\n", 1, 0, 4},
        Stored{"beyond_32_bits", "CurCard=4294967298\nComPort=4294967297\nBaudRate=3\n", 1, 0, 3},
        Stored{"highest_in_range", "CurCard=7\nComPort=4\nBaudRate=6\n", 7, 4, 6},
        Stored{"lowest_in_range", "CurCard=0\nComPort=1\nBaudRate=0\n", 0, 1, 0},
        Stored{"port_zero_is_kept", "CurCard=3\nComPort=0\nBaudRate=2\n", 3, 0, 2},
        Stored{"just_out_of_range", "CurCard=8\nComPort=5\nBaudRate=7\n", 1, 0, 1},
        Stored{"port_of_all_bits", "ComPort=4294967295\n", 1, 0, 1},
        Stored{"some_missing", "ComPort=2\n", 1, 2, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(StoredSettings, WrittenValuesReadBackTheSame) {
    tilvane::AppState state;
    state.card_family = 5;
    state.com_port = 4;
    state.baud_rate = 0;
    tilvane::WriteStoredSettings(state);
    const auto back = read();
    EXPECT_EQ(back.card_family, 5);
    EXPECT_EQ(back.com_port, 4);
    EXPECT_EQ(back.baud_rate, 0);
}

TEST_F(StoredSettings, APortOfMinusOneIsWrittenAsItsBitsAndReadBackAsNoPort) {
    tilvane::AppState state;
    state.com_port = -1;  // the settings dialog's port list had no selection
    tilvane::WriteStoredSettings(state);
    QSettings raw(settings_file(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("ComPort").toString(), QStringLiteral("4294967295"));
    EXPECT_EQ(read().com_port, 0);
}

TEST_F(StoredSettings, WritingKeepsOtherValuesOfTheStore) {
    store("Other=kept\nCurCard=2\n");
    tilvane::AppState state;
    state.card_family = 3;
    tilvane::WriteStoredSettings(state);
    QSettings raw(settings_file(), QSettings::IniFormat);
    EXPECT_EQ(raw.value("Other").toString(), QStringLiteral("kept"));
    EXPECT_EQ(raw.value("CurCard").toString(), QStringLiteral("3"));
}

// ---- Branding ------------------------------------------------------------------------

class Branding : public app_test::AppTest {};

TEST_F(Branding, WithoutTheFileEveryKeyHasItsBuiltInText) {
    EXPECT_FALSE(tilvane::AppConfigExists());
    EXPECT_EQ(tilvane::GetAppInfo("SoftwareName"), QStringLiteral("Tilvane"));
    EXPECT_EQ(tilvane::GetAppInfo("Version"), QStringLiteral("Tilvane V1.1"));
    EXPECT_EQ(tilvane::GetAppInfo("AboutTitle"), QStringLiteral("About Tilvane"));
    EXPECT_EQ(tilvane::GetAppInfo("AboutVersion"), QStringLiteral("Tilvane V1.1"));
    for (const char *key : {"AboutLTD", "HTTP", "COPYRIGHT"}) {
        EXPECT_FALSE(tilvane::GetAppInfo(key).isEmpty()) << key;
    }
}

TEST_F(Branding, AnEmptyFileGivesEmptyTexts) {
    write_app_config("");
    EXPECT_TRUE(tilvane::AppConfigExists());
    for (const char *key : {"SoftwareName", "Version", "AboutTitle", "AboutVersion", "AboutLTD",
                            "HTTP", "COPYRIGHT"}) {
        EXPECT_EQ(tilvane::GetAppInfo(key), QString()) << key;
    }
}

TEST_F(Branding, ValuesAreReadAsProfileStrings) {
    write_app_config(
        "; branding\r\n[Other]\r\nSoftwareName=Wrong\r\n"
        "[appinfo]\r\nsoftwarename = Card Desk \r\n"
        "COPYRIGHT=Copyright (C) 2024, Velomar\\Team\r\n"
        "HTTP=\"https://example.test/a=b\"\r\n"
        "AboutLTD=Kartenbau GmbH – Ärger\r\n"
        "Version=" +
        QByteArray(300, 'v') + "\r\n");
    EXPECT_EQ(tilvane::GetAppInfo("SoftwareName"), QStringLiteral("Card Desk"));
    EXPECT_EQ(tilvane::GetAppInfo("COPYRIGHT"),
              QStringLiteral("Copyright (C) 2024, Velomar\\Team"));
    EXPECT_EQ(tilvane::GetAppInfo("HTTP"), QStringLiteral("https://example.test/a=b"));
    EXPECT_EQ(tilvane::GetAppInfo("AboutLTD"), QString::fromUtf8("Kartenbau GmbH – Ärger"));
    EXPECT_EQ(tilvane::GetAppInfo("Version"), QString(259, u'v'));
    EXPECT_EQ(tilvane::GetAppInfo("AboutTitle"), QString());  // absent from the file
}

}  // namespace
